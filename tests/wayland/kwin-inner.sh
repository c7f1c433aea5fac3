#!/usr/bin/env bash
# Run by kwin-session.sh inside dbus-run-session: starts KWin (two virtual outputs) and KDE's
# portal with xdg-desktop-portal, each waiting for the one before, then writes BASE/run/env,
# BASE/run/pids and BASE/run/ready (or BASE/run/failed with the reason). Lives as long as KWin.
set -uo pipefail
base="$1"
run="$base/run"

fail() {
    echo "$1" >"$run/failed"
    kill $(cat "$run/pids" 2>/dev/null) 2>/dev/null
    exit 1
}

# KWin ignores WAYLAND_DISPLAY for its own socket: --socket names it.
"$base/bin/kwin_wayland" --socket "$WAYLAND_DISPLAY" --virtual --output-count 2 \
    --width 1920 --height 1080 >"$base/kwin.log" 2>&1 &
kwin=$!
echo $kwin >"$run/pids"
for _ in $(seq 200); do
    [[ -S "$run/$WAYLAND_DISPLAY" ]] && break
    kill -0 $kwin 2>/dev/null || fail "$(grep -v '^$' "$base/kwin.log" | tail -n1)"
    sleep 0.05
done
[[ -S "$run/$WAYLAND_DISPLAY" ]] || fail "KWin made no Wayland socket within 10 s"

QT_QPA_PLATFORM=wayland "$(ls /usr/lib/*/libexec/xdg-desktop-portal-kde | head -n1)" >"$base/portal-kde.log" 2>&1 &
echo $! >>"$run/pids"
/usr/libexec/xdg-desktop-portal >"$base/portal.log" 2>&1 &
echo $! >>"$run/pids"
shortcuts() {
    gdbus introspect --session --dest org.freedesktop.portal.Desktop \
        --object-path /org/freedesktop/portal/desktop 2>/dev/null \
        | grep -q 'interface org.freedesktop.portal.GlobalShortcuts'
}
for _ in $(seq 200); do
    shortcuts && break
    sleep 0.05
done
shortcuts || fail "the GlobalShortcuts portal did not appear"

cat >"$run/env" <<ENV
export WAYLAND_DISPLAY='$WAYLAND_DISPLAY'
export DBUS_SESSION_BUS_ADDRESS='$DBUS_SESSION_BUS_ADDRESS'
ENV
touch "$run/ready"
wait $kwin
