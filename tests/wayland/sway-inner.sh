#!/usr/bin/env bash
# Run by sway-session.sh inside dbus-run-session, as the test user: starts sway (BASE/config,
# OUTPUTS headless outputs), pipewire and the portals in that order, each waiting for the one
# before, then writes BASE/run/env, BASE/run/pids and BASE/run/ready (or BASE/run/failed with the
# reason). Lives as long as sway.
set -uo pipefail
base="$1"
outputs="$2"
run="$base/run"

fail() {
    echo "$1" >"$run/failed"
    kill $(cat "$run/pids" 2>/dev/null) 2>/dev/null
    exit 1
}

WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=$outputs \
    sway -c "$base/config" >"$base/sway.log" 2>&1 &
sway=$!
echo $sway >"$run/pids"
export SWAYSOCK="$run/sway-ipc.$(id -u).$sway.sock"
for _ in $(seq 200); do
    swaymsg -t get_version >/dev/null 2>&1 && break
    kill -0 $sway 2>/dev/null || fail "$(grep -v '^$' "$base/sway.log" | tail -n1)"
    sleep 0.05
done
swaymsg -t get_version >/dev/null 2>&1 || fail "sway did not answer within 10 s"
display="$(cd "$run" && ls wayland-* 2>/dev/null | grep -v lock | head -n1)"
[[ -n "$display" ]] || fail "sway made no Wayland socket"
export WAYLAND_DISPLAY="$display"

bus() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method "org.freedesktop.DBus.$1" "$2" 2>/dev/null
}
# The bus started before sway: services it starts on demand (a portal back-end the portal asks for
# before ours has claimed its name) would find no compositor, as in a session without this line.
bus UpdateActivationEnvironment "{'WAYLAND_DISPLAY': '$display', 'SWAYSOCK': '$SWAYSOCK'}" \
    >/dev/null || fail "the session bus took no activation environment"

# A real seat always has a keyboard. Without one, each wtype run brings the seat's first keyboard,
# a client binds it only after that run's first key went by, and the key is lost: hold one
# keyboard (wtype typing from a pipe no one writes to) for the whole session.
sleep infinity | wtype - &
echo $! >>"$run/pids"

# xdg-desktop-portal-wlr exits at start without pipewire's socket.
pipewire >"$base/pipewire.log" 2>&1 &
echo $! >>"$run/pids"
for _ in $(seq 200); do
    [[ -S "$run/pipewire-0" ]] && break
    sleep 0.05
done
[[ -S "$run/pipewire-0" ]] || fail "pipewire made no socket"

/usr/libexec/xdg-desktop-portal-wlr >"$base/portal-wlr.log" 2>&1 &
echo $! >>"$run/pids"
for _ in $(seq 200); do
    bus NameHasOwner "org.freedesktop.impl.portal.desktop.wlr" | grep -q true && break
    sleep 0.05
done
/usr/libexec/xdg-desktop-portal >"$base/portal.log" 2>&1 &
echo $! >>"$run/pids"
screenshot() {
    gdbus introspect --session --dest org.freedesktop.portal.Desktop \
        --object-path /org/freedesktop/portal/desktop 2>/dev/null \
        | grep -q 'interface org.freedesktop.portal.Screenshot'
}
for _ in $(seq 200); do
    screenshot && break
    sleep 0.05
done
screenshot || fail "the screenshot portal did not appear"

cat >"$run/env" <<ENV
export WAYLAND_DISPLAY='$WAYLAND_DISPLAY'
export SWAYSOCK='$SWAYSOCK'
export DBUS_SESSION_BUS_ADDRESS='$DBUS_SESSION_BUS_ADDRESS'
ENV
touch "$run/ready"
wait $sway
