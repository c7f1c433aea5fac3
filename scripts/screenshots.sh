#!/usr/bin/env bash
# Renders the whole canvas with its toolbars and popups over a made-up screen, offscreen
# at 1x and 2x, and photographs the tray menu, the tray icon, About, the welcome and the settings
# window on a real X server with a tray host, all into screenshots/out/, for a look by eye
# after changing how they are drawn.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="$root/screenshots/out"
"$root/scripts/build.sh" --target screenshot_Canvas screenshot_Shell
mkdir -p "$out"
# The canvas reads and writes settings: keep them away from the real ones.
settings="$(mktemp -d)"
trap 'rm -rf "$settings"' EXIT
for scale in 1 2; do
    HOME="$settings" XDG_CONFIG_HOME="$settings/.config" QT_QPA_PLATFORM=offscreen \
        QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORMTHEME= \
        "$build/tools/screenshots/screenshot_Canvas" "$out"
done

# The shell: its own X session and a fresh HOME, so the welcome shows and no real settings are
# read or written.
state="$(mktemp -d)"
home="$state/home"
mkdir -p "$home"
session="$root/scripts/x11-session.sh"
tray_pid=""
cleanup() {
    [[ -n "$tray_pid" ]] && kill "$tray_pid" 2>/dev/null || true
    "$session" stop "$state" >/dev/null
    rm -rf "$state" "$settings"
}
trap cleanup EXIT
"$session" start "$state" >/dev/null
"$session" run "$state" trayer --edge top --align left --widthtype pixel --width 160 \
    --heighttype pixel --height 28 --tint 0x303030 --transparent true --alpha 0 &
tray_pid=$!
sleep 1
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_PICTURES_DIR="$home/Pictures" QT_QPA_PLATFORM=xcb \
    QT_QPA_PLATFORMTHEME= \
    "$session" run "$state" "$build/tools/screenshots/screenshot_Shell" "$out"

# An area capture in progress on both monitors: the veil everywhere, the selection clear on the
# 2x monitor. The root gets a pattern so the veil shows against something.
"$root/scripts/build.sh" --target brindlecap
"$session" run "$state" xsetroot -mod 16 16 -fg '#c03030' -bg white
capture_home="$state/capture-home"
mkdir -p "$capture_home/.config/Brindlecap" "$capture_home/run"
chmod 700 "$capture_home/run"
printf '[General]\ndidShowWelcome=true\n' >"$capture_home/.config/Brindlecap/Brindlecap.conf"
HOME="$capture_home" XDG_CONFIG_HOME="$capture_home/.config" \
    XDG_DATA_HOME="$capture_home/.local/share" XDG_RUNTIME_DIR="$capture_home/run" \
    QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= \
    "$session" run "$state" "$build/src/brindlecap" &
program_pid=$!
sleep 3
HOME="$capture_home" XDG_RUNTIME_DIR="$capture_home/run" \
    "$session" run "$state" "$build/src/brindlecap" area
sleep 2
"$session" run "$state" xdotool mousemove 2100 200 mousedown 1 mousemove 2300 350 \
    mousemove 2500 500 mouseup 1
sleep 1
"$session" run "$state" import -window root "$out/overlay_both_monitors.png"
"$session" run "$state" xdotool key Escape
kill "$program_pid" 2>/dev/null || true

# The recents drawer, empty and with entries, on the 1x monitor and on the 2x one.
drawer_home="$state/drawer-home"
history="$drawer_home/.local/share/Brindlecap/Recientes"
mkdir -p "$drawer_home/.config/Brindlecap" "$drawer_home/run"
chmod 700 "$drawer_home/run"
printf '[General]\ndidShowWelcome=true\n' >"$drawer_home/.config/Brindlecap/Brindlecap.conf"
drawer() {
    HOME="$drawer_home" XDG_CONFIG_HOME="$drawer_home/.config" \
        XDG_DATA_HOME="$drawer_home/.local/share" XDG_RUNTIME_DIR="$drawer_home/run" \
        QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= exec "$session" run "$state" "$build/src/brindlecap" "$@"
}
drawer &
program_pid=$!
sleep 3
for contents in empty entries; do
    if [[ "$contents" == entries ]]; then
        mkdir -p "$history"
        for i in 1 2 3 4 5 6 7; do
            "$session" run "$state" convert -size "$((900 + 150 * i))x$((700 + 40 * i))" \
                "gradient:#1d3557-#a8dadc" -fill white -pointsize 72 -annotate +80+160 "Captura $i" \
                "$history/20261207-0${i}0000-000.png"
        done
    fi
    for monitor in "1x 500 500 0" "2x 2400 300 1920"; do
        read -r scale x y left <<<"$monitor"
        "$session" run "$state" xdotool mousemove "$x" "$y"
        (drawer recents)
        sleep 1.5
        "$session" run "$state" import -window root -crop "1920x500+$left+580" +repage \
            "$out/drawer_${contents}_$scale.png"
        (drawer recents)
        sleep 1
    done
done
kill "$program_pid" 2>/dev/null || true
