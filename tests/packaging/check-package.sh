#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it as a user meets it: its files and
# dependencies, the programs run from an extracted copy, the menu entry and metainfo validated.
#   check-package.sh BUILD_DIR VERSION
set -euo pipefail
build="${1:?build folder}"
version="${2:?version}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log"; fail "cpack"; }
deb="$(echo "$scratch"/out/*.deb)"
[[ -f "$deb" ]] || fail "no package in $scratch/out"

files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
wanted=(./usr/bin/brindlecap ./usr/bin/brindlecap-app
    ./usr/share/applications/brindlecap.desktop
    ./usr/share/metainfo/io.github.tamrivo.Brindlecap.metainfo.xml
    ./usr/share/man/man1/brindlecap.1.gz
    ./usr/share/icons/hicolor/scalable/apps/brindlecap.svg)
for size in 16 22 24 32 48 64 128 256; do
    wanted+=("./usr/share/icons/hicolor/${size}x$size/apps/brindlecap.png")
done
for file in "${wanted[@]}"; do
    grep -qxF "$file" <<<"$files" || fail "the package lacks $file"
done
# Computed from the binaries (libqt6widgets6 ...) plus what they load unlinked.
depends="$(dpkg-deb -f "$deb" Depends)"
for package in libqt6widgets6 libqt6gui6 libxcb1 qt6-qpa-plugins tesseract-ocr-spa \
    tesseract-ocr-eng; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done

root="$scratch/root"
dpkg -x "$deb" "$root"
run=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home"
    XDG_RUNTIME_DIR="$scratch/run" "$root/usr/bin/brindlecap")
mkdir -m 700 "$scratch/run"
[[ "$("${run[@]}" --version)" == "Brindlecap $version" ]] || fail "--version"
"${run[@]}" --help | grep -q -- "--output ARCHIVO" || fail "--help"
status=0
"${run[@]}" --bogus 2>"$scratch/err" || status=$?
[[ $status == 2 ]] && grep -q -- "--bogus" "$scratch/err" || fail "unknown option: status $status"
for arguments in "" "full --output $scratch/shot.png"; do
    status=0
    # shellcheck disable=SC2086
    "${run[@]}" $arguments 2>"$scratch/err" || status=$?
    [[ $status == 1 && $(wc -l <"$scratch/err") == 1 ]] && grep -q "sesión gráfica" "$scratch/err" \
        || fail "no graphical session for '$arguments': status $status, $(cat "$scratch/err")"
done
[[ ! -e "$scratch/shot.png" ]] || fail "a file without a capture"

desktop-file-validate "$root/usr/share/applications/brindlecap.desktop"
# KWin grants its screenshots to the entry whose Exec is the running program's own file.
entry="$root/usr/share/applications/brindlecap.desktop"
grep -qx "Exec=/usr/bin/brindlecap-app" "$entry" || fail "Exec: $(grep '^Exec=' "$entry" | head -n1)"
grep -qx "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2" "$entry" \
    || fail "the menu entry does not ask KWin for ScreenShot2"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.tamrivo.Brindlecap.metainfo.xml"
file "$root/usr/share/icons/hicolor/48x48/apps/brindlecap.png" | grep -q "48 x 48" || fail "icon size"
echo "package $(basename "$deb") checked"
