#!/usr/bin/env bash
# The Debian package of this build, made by CPack into a temporary folder and
# checked: its name and files, the binaries' run paths and libraries, the
# desktop entry, AppStream and MIME data, the manuals, the completion
# scripts, and lintian.
# Usage: package_test.sh BUILD_DIR CPACK
set -u
build=$1 cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/out/cuemark_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $deb"; exit 1; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
root="$work/root"
dpkg-deb -x "$deb" "$root"

# Every file where it belongs, and each of the expected ones there.
while read -r path; do
  case "$path" in
    ./usr/bin/cuemark | ./usr/bin/cuemark-cli | ./usr/bin/kvreg) ;;
    ./usr/lib/cuemark/lib*.so | ./usr/share/cuemark/calibration/*) ;;
    ./usr/share/applications/org.tavrel.Cuemark.desktop | ./usr/share/metainfo/org.tavrel.Cuemark.metainfo.xml) ;;
    ./usr/share/icons/hicolor/scalable/apps/cuemark.svg | ./usr/share/icons/hicolor/48x48/apps/cuemark.png) ;;
    ./usr/share/icons/hicolor/128x128/apps/cuemark.png) ;;
    ./usr/share/man/man1/*.1.gz | ./usr/share/bash-completion/completions/*) ;;
    ./usr/share/doc/cuemark/copyright | ./usr/share/doc/cuemark/changelog.gz) ;;
    */) ;;
    *) fail "a file outside the package's paths: $path" ;;
  esac
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t)
for f in usr/bin/cuemark usr/bin/cuemark-cli usr/bin/kvreg usr/lib/cuemark/libkeyvane.so \
  usr/lib/cuemark/libcuemark_audio.so usr/share/cuemark/calibration/calibration.mp4 \
  usr/share/man/man1/cuemark.1.gz usr/share/man/man1/cuemark-cli.1.gz usr/share/man/man1/kvreg.1.gz \
  usr/share/bash-completion/completions/cuemark-cli usr/share/bash-completion/completions/kvreg \
  usr/share/icons/hicolor/48x48/apps/cuemark.png usr/share/icons/hicolor/128x128/apps/cuemark.png; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt6multimedia6 libavcodec gstreamer1.0-plugins-good gstreamer1.0-libav qt6-qpa-plugins; do
  [[ "$depends" == *"$wanted"* ]] || fail "Depends lacks $wanted: $depends"
done

# Run paths that find the private libraries, and nothing missing.
for f in "$root"/usr/bin/* "$root"/usr/lib/cuemark/*.so; do
  runpath=$(readelf -d "$f" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  case "$f" in
    */usr/bin/*) [ "$runpath" = '$ORIGIN/../lib/cuemark' ] || fail "$(basename "$f") run path '$runpath'" ;;
    *) [ "$runpath" = '$ORIGIN' ] || fail "$(basename "$f") run path '$runpath'" ;;
  esac
  if ldd "$f" | grep -q "not found"; then fail "$(basename "$f"): $(ldd "$f" | grep "not found" | tr -s ' \t' ' ')"; fi
done

# Desktop entry, AppStream data, and MIME types the shared database knows.
desktop-file-validate "$root/usr/share/applications/org.tavrel.Cuemark.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.tavrel.Cuemark.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$root/usr/share/metainfo/org.tavrel.Cuemark.metainfo.xml" ||
  fail "the metainfo's release is not $version"
for type in $(sed -n 's/^MimeType=//p' "$root/usr/share/applications/org.tavrel.Cuemark.desktop" | tr ';' ' '); do
  grep -qxF "$type" /usr/share/mime/types || fail "MIME type $type is unknown to the shared MIME database"
done

# Manuals: render without a warning, name their program, and say what its
# --help and --version say.
for program in cuemark cuemark-cli kvreg; do
  page="$root/usr/share/man/man1/$program.1.gz"
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$program.1: $warnings"
  text=$(MANWIDTH=200 man -l "$page" 2>/dev/null)
  [[ "$text" == *"$program - "* ]] || fail "$program.1 has no NAME line"
  [[ "$(zcat "$page" | sed -n 1,10p)" == *"\"$program $version\""* ]] || fail "$program.1 is not of version $version"
done
usage=$("$root/usr/bin/cuemark-cli" --help | sed -n 's/^  convert IN OUT *//p')
[[ "$(MANWIDTH=200 man -l "$root/usr/share/man/man1/cuemark-cli.1.gz" 2>/dev/null)" == *"$usage"* ]] ||
  fail "cuemark-cli.1 lacks what --help says of convert"
[ "$("$root/usr/bin/cuemark" --version)" = "Tallyfold $version" ] || fail "cuemark --version: $("$root/usr/bin/cuemark" --version)"
[ "$("$root/usr/bin/cuemark-cli" --version)" = "cuemark-cli $version" ] || fail "cuemark-cli --version"

# Completion: both scripts parse, and a command completes.
for script in "$root"/usr/share/bash-completion/completions/*; do
  bash -n "$script" || fail "$(basename "$script") does not parse"
done
got=$(bash -c 'source "$1"; COMP_WORDS=(cuemark-cli con); COMP_CWORD=1; _cuemark_cli; echo "${COMPREPLY[*]}"' _ \
  "$root/usr/share/bash-completion/completions/cuemark-cli")
[ "$got" = convert ] || fail "cuemark-cli con completes to '$got'"
got=$(bash -c 'source "$1"; COMP_WORDS=(cuemark-cli sync film.mkv in.srt out.srt --max); COMP_CWORD=5; _cuemark_cli
  echo "${COMPREPLY[*]}"' _ "$root/usr/share/bash-completion/completions/cuemark-cli")
[ "$got" = --max-offset ] || fail "cuemark-cli sync --max completes to '$got'"
got=$(bash -c 'source "$1"; COMP_WORDS=(kvreg set HKC); COMP_CWORD=2; _kvreg; echo "${COMPREPLY[*]}"' _ \
  "$root/usr/share/bash-completion/completions/kvreg")
[ "$got" = "HKCU HKCR HKCC" ] || fail "kvreg set HKC completes to '$got'"

# lintian: no errors. The warnings kept are listed in the README.
if command -v lintian >/dev/null; then
  lintian "$deb" >"$work/lintian.log" 2>&1
  grep -E '^[EW]:' "$work/lintian.log"
  if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi
else
  fail "lintian is not installed"
fi

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "package checks passed"
