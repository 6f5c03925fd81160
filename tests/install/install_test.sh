#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that the installed tree
# stands on its own: every file in its place, the programs finding their
# libraries in lib/cuemark and nowhere in the build tree, and the tools running.
# Usage: install_test.sh BUILD_DIR CMAKE WITH_APP(ON|OFF)
set -euo pipefail
build=$1
cmake=$2
with_app=$3

prefix=$(mktemp -d "${TMPDIR:-/tmp}/cuemark-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
unset LD_LIBRARY_PATH LD_PRELOAD
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$prefix/install.log" ||
  { cat "$prefix/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

programs=(kvreg cuemark-cli)
[ "$with_app" = ON ] && programs+=(cuemark)
libraries=(libkeyvane.so libplatform_registry.so libplatform_automation.so)
files=()
for p in "${programs[@]}"; do files+=("bin/$p"); done
for l in "${libraries[@]}"; do files+=("lib/cuemark/$l"); done
# Opened by the engine at run time for legacy encodings, not linked.
files+=(lib/cuemark/libcuemark_codepages.so lib/cuemark/libcuemark_audio.so)
if [ "$with_app" = ON ]; then
  files+=(share/applications/org.tavrel.Cuemark.desktop share/icons/hicolor/scalable/apps/cuemark.svg)
  # The reaction-time calibration, where the program looks: bin/../share/cuemark.
  files+=(share/cuemark/calibration/calibration.mp4 share/cuemark/calibration/calibration.srt)
fi
for f in "${files[@]}"; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
for p in "${programs[@]}"; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p is not executable"
done

# The run path as readelf shows it: RUNPATH (or an old-style RPATH).
runpath() { readelf -d "$1" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p'; }
for p in "${programs[@]}"; do
  [ -f "$prefix/bin/$p" ] || continue
  got=$(runpath "$prefix/bin/$p")
  [ "$got" = '$ORIGIN/../lib/cuemark' ] || fail "bin/$p run path is '$got'"
done
for l in "${libraries[@]}"; do
  [ -f "$prefix/lib/cuemark/$l" ] || continue
  got=$(runpath "$prefix/lib/cuemark/$l")
  [ "$got" = '$ORIGIN' ] || fail "lib/cuemark/$l run path is '$got'"
done

if [ -x "$prefix/bin/kvreg" ]; then
  resolved=$(ldd "$prefix/bin/kvreg")
  for l in "${libraries[@]}"; do
    # ldd prints the path as the run path built it (bin/../lib/cuemark).
    path=$(sed -n "s/^[[:space:]]*$l => \(.*\) (0x[0-9a-f]*)\$/\1/p" <<<"$resolved")
    [ -n "$path" ] && [ "$(realpath "$path")" = "$(realpath "$prefix/lib/cuemark/$l")" ] ||
      fail "kvreg does not take $l from lib/cuemark:"$'\n'"$resolved"
  done
  if echo "$resolved" | grep -qF "$build"; then fail "kvreg reaches into the build tree:"$'\n'"$resolved"; fi

  help=$("$prefix/bin/kvreg" --help) || fail "kvreg --help failed"
  [[ "$help" == "Usage: kvreg "* ]] || fail "kvreg --help printed '$help'"
  # A write and a read through the installed libraries, into a store of its own.
  export KEYVANE_REGISTRY="$prefix/registry.db"
  key='HKCU\Software\Tavrel\Cuemark'
  "$prefix/bin/kvreg" set "$key" Width --dword 9000 || fail "kvreg set"
  got=$("$prefix/bin/kvreg" get "$key" Width) || fail "kvreg get"
  [ "$got" = 9000 ] || fail "kvreg get gave '$got'"
fi

if [ -x "$prefix/bin/cuemark-cli" ]; then
  version=$("$prefix/bin/cuemark-cli" --version) || fail "cuemark-cli --version"
  [[ "$version" =~ ^cuemark-cli\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "cuemark-cli --version printed '$version'"
  # A legacy encoding takes the installed code-page library, not the build tree's.
  printf '1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xe9 cr\xe8me br\xfbl\xe9e\r\n\r\n' >"$prefix/legacy.srt"
  loaded=$(LD_DEBUG=files "$prefix/bin/cuemark-cli" info "$prefix/legacy.srt" 2>&1 >"$prefix/info.txt") ||
    fail "cuemark-cli info on a windows-1252 file"
  grep -q windows-1252 "$prefix/info.txt" || fail "cuemark-cli info said: $(cat "$prefix/info.txt")"
  opened=$(grep 'generating link map' <<<"$loaded" | sed -n 's/.*file=\([^ ]*libcuemark_codepages\.so\).*/\1/p' | head -n1)
  [ -n "$opened" ] && [ "$(realpath "$opened")" = "$(realpath "$prefix/lib/cuemark/libcuemark_codepages.so")" ] ||
    fail "cuemark-cli did not open lib/cuemark/libcuemark_codepages.so (opened '$opened')"
fi

if [ -x "$prefix/bin/cuemark" ]; then
  version=$("$prefix/bin/cuemark" --version) || fail "cuemark --version"
  [[ "$version" =~ ^Tallyfold\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "cuemark --version printed '$version'"
fi

desktop="$prefix/share/applications/org.tavrel.Cuemark.desktop"
if [ -f "$desktop" ]; then
  [ "$(head -n1 "$desktop")" = '[Desktop Entry]' ] || fail "desktop entry does not start with its group"
  for line in Type=Application Name=Cuemark 'Exec=cuemark %F' Icon=cuemark 'Categories=AudioVideo;Video;'; do
    grep -qxF "$line" "$desktop" || fail "desktop entry lacks '$line'"
  done
  mime=$(sed -n 's/^MimeType=//p' "$desktop")
  for type in application/x-subrip text/x-microdvd application/x-sami video/mp4 video/x-matroska video/webm \
              video/x-msvideo video/mpeg video/quicktime application/vnd.ms-asf audio/mpeg audio/x-wav audio/ogg; do
    [[ ";$mime" == *";$type;"* ]] || fail "desktop entry lacks MIME type $type"
  done
  if grep -vnE '^(\[Desktop Entry\]|#.*|[A-Za-z0-9-]+(\[[^]]+\])?=.*)?$' "$desktop"; then fail "desktop entry has malformed lines"; fi
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
  fi
fi

icon="$prefix/share/icons/hicolor/scalable/apps/cuemark.svg"
if [ -f "$icon" ]; then
  grep -q '<svg[^>]*viewBox=' "$icon" && grep -q '</svg>' "$icon" || fail "the icon is not an SVG document"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed tree in order: ${#files[@]} files"
