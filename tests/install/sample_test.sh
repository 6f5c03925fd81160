#!/usr/bin/env bash
# Makes the sample into a fresh folder and checks that it is what it says:
# a SubRip file that reads completely and whose titles fall inside the media,
# and a 30 s media file with one H.264 and one AAC stream whose speech sounds
# inside the titles and is silent between them. Skips (77) without ffmpeg.
# Usage: sample_test.sh MAKE_SAMPLE CUEMARK_CLI
set -euo pipefail
make_sample=$1
cli=$2

if ! command -v ffmpeg >/dev/null || ! command -v ffprobe >/dev/null; then
  echo "ffmpeg or ffprobe is not installed: skipped"
  exit 77
fi
out=$(mktemp -d "${TMPDIR:-/tmp}/cuemark-sample.XXXXXX")
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Without ffmpeg on the PATH: a clear message, a failure status, no files.
if message=$(PATH=/nonexistent "$BASH" "$make_sample" "$out/none" 2>&1); then
  fail "make-sample succeeded without ffmpeg"
fi
[[ "$message" == *"ffmpeg is not installed"* ]] || fail "no clear message without ffmpeg: '$message'"
[ ! -e "$out/none" ] || fail "make-sample without ffmpeg left $out/none behind"

"$make_sample" "$out" >/dev/null
srt="$out/sample.srt"
mp4="$out/sample.mp4"
[ -s "$srt" ] && [ -s "$mp4" ] || { echo "FAIL: make-sample did not write both files" >&2; exit 1; }

# A second run with both files newer than the script leaves them alone; a
# file older than the script is made again.
before=$(stat -c %y "$srt" "$mp4")
[[ "$("$make_sample" "$out")" == *"up to date"* ]] || fail "a second run did not skip"
[ "$(stat -c %y "$srt" "$mp4")" = "$before" ] || fail "a second run rewrote the sample"
touch -d '2000-01-01' "$srt"
[[ "$("$make_sample" "$out")" == *"wrote"* ]] || fail "a stale sample.srt was not made again"
[ "$srt" -nt "$make_sample" ] || fail "sample.srt is still older than the script"

# The SubRip file: CR LF throughout, UTF-8, and read completely.
[ "$(grep -c $'\r$' "$srt")" = "$(wc -l <"$srt")" ] || fail "not every line of sample.srt ends in CR LF"
iconv -f UTF-8 -t UTF-8 "$srt" >/dev/null || fail "sample.srt is not UTF-8"
grep -q 'café' "$srt" || fail "sample.srt has no non-ASCII title"
grep -q '<i>.*</i>' "$srt" || fail "sample.srt has no italic title"
count=$(grep -c -- ' --> ' "$srt")
[ "$count" -ge 8 ] && [ "$count" -le 10 ] || fail "sample.srt has $count titles"
info=$("$cli" info "$srt" --json) || fail "cuemark-cli info failed: $info"
field() { sed -n "s/.*\"$1\": \"\{0,1\}\([^,\"}]*\)\"\{0,1\}[,}].*/\1/p" <<<"$info"; }
[ "$(field format)" = SubRip ] || fail "format $(field format): $info"
[ "$(field encoding)" = UTF-8 ] || fail "encoding $(field encoding): $info"
[ "$(field titles)" = "$count" ] || fail "read $(field titles) of $count titles: $info"
[ "$(field complete)" = true ] || fail "sample.srt did not read completely: $info"
# Every line comes back from the reader as it was, except the italic markup,
# which the SubRip writer leaves out.
"$cli" convert "$srt" "$out/again.srt" >/dev/null || fail "cuemark-cli convert failed"
sed 's#</\{0,1\}i>##g' "$srt" | cmp -s - "$out/again.srt" || fail "the titles did not survive a read and write"

# The media: one video and one audio stream, both about 30 s long.
streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,r_frame_rate,duration -of csv=p=0 "$mp4")
grep -Eq '^h264,video,640,360,25/1,(29\.9|30\.0)' <<<"$streams" || fail "no 640x360 25 fps H.264 stream of 30 s: $streams"
grep -Eq '^aac,audio,(0/0,)?(29\.9|30\.0)' <<<"$streams" || fail "no AAC stream of 30 s: $streams"
[ "$(grep -c . <<<"$streams")" = 2 ] || fail "not exactly two streams: $streams"
last_end=$(field last_end)
awk -v e="$last_end" 'BEGIN { exit !(e > 0 && e < 30) }' || fail "the last title ends at $last_end, outside the media"

# Speech sounds in the middle of the first title and not before it.
loudest() { ffmpeg -nostdin -nostats -ss "$1" -t "$2" -i "$mp4" -vn -af volumedetect -f null - 2>&1 |
            sed -n 's/.*max_volume: \(-\{0,1\}[0-9.]*\) dB.*/\1/p'; }
first_start=$(field first_start)
inside=$(loudest "$(awk -v s="$first_start" 'BEGIN { print s + 0.5 }')" 0.5)
before_first=$(loudest 0 "$(awk -v s="$first_start" 'BEGIN { print s - 0.1 }')")
awk -v v="$inside" 'BEGIN { exit !(v > -30) }' || fail "no speech inside the first title ($inside dB)"
awk -v v="$before_first" 'BEGIN { exit !(v < -60) }' || fail "sound before the first title ($before_first dB)"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "sample in order: $count titles"
