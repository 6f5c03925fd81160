#!/usr/bin/env bash
# The calibration clip as built agrees with its cue schedule: each tone and
# each lit panel begins and ends at its cue's times, and nothing sounds or
# shines between cues.
# Usage: calibration_clip_test.sh CLIP SCHEDULE
set -euo pipefail
clip=$1
schedule=$2
command -v ffmpeg >/dev/null || { echo "SKIP: ffmpeg is not installed"; exit 77; }
[ -f "$clip" ] || { echo "FAIL: no clip at $clip" >&2; exit 1; }

cues=$(awk -F' --> ' '/-->/ {
    split($1, a, /[:,]/); split($2, b, /[:,]/)
    printf "%.3f %.3f\n", a[1] * 3600 + a[2] * 60 + a[3] + a[4] / 1000, b[1] * 3600 + b[2] * 60 + b[3] + b[4] / 1000
}' "$schedule")

# Sound: the edges of the silences, as "on T" and "off T".
sound=$(ffmpeg -hide_banner -nostats -i "$clip" -vn -af silencedetect=n=-30dB:d=0.2 -f null - 2>&1 |
  sed -n 's/.*silence_end: \([0-9.]*\).*/on \1/p; s/.*silence_start: \([0-9.]*\).*/off \1/p' | sed 1d |
  awk '{ line[NR] = $0 } END { n = NR; if (line[n] ~ /^on /) n--; for (i = 1; i <= n; i++) print line[i] }')
# (The silence from the last cue to the clip's end ends only at the end.)
# Picture: the frames where the mean brightness crosses the middle.
picture=$(ffmpeg -hide_banner -nostats -i "$clip" -an -vf "signalstats,metadata=print:key=lavfi.signalstats.YAVG" \
  -f null - 2>&1 | awk '
    /pts_time:/ { sub(/.*pts_time:/, ""); t = $1 }
    /YAVG=/ { sub(/.*YAVG=/, ""); lit = ($1 > 80); if (lit != was) print (lit ? "on " : "off ") t; was = lit }')

check() {
  local what=$1 edges=$2 tolerance=$3 status=0
  paste -d' ' <(echo "$cues") <(echo "$edges" | paste -d' ' - -) | awk -v what="$what" -v tol="$tolerance" '
    NF != 6 || $3 != "on" || $5 != "off" { print "FAIL: " what ": cue " NR " has no matching edges: " $0; bad = 1; next }
    { ds = $4 - $1; de = $6 - $2
      if (ds < -tol || ds > tol || de < -tol || de > tol) {
        printf "FAIL: %s: cue %d at %.3f..%.3f, found %.3f..%.3f\n", what, NR, $1, $2, $4, $6; bad = 1 } }
    END { exit bad }' || status=1
  local want got
  want=$(echo "$cues" | wc -l)
  got=$(echo "$edges" | grep -c '^on ')
  [ "$want" = "$got" ] || { echo "FAIL: $what: $got onsets for $want cues"; status=1; }
  return "$status"
}

failures=0
check sound "$sound" 0.005 || failures=1
check picture "$picture" 0.001 || failures=1
[ "$failures" = 0 ] && echo "calibration clip: $(echo "$cues" | wc -l) cues, sound and picture on time"
exit "$failures"
