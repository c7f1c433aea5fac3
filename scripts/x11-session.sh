#!/usr/bin/env bash
# The real X server fixture: one Xvfb screen split into two RandR monitors side by side
# ("LEFT" at scale 1, "RIGHT" at scale 2 through QT_SCREEN_SCALE_FACTORS), with openbox as the
# window manager. Processes are tracked by PID in the state folder and stopped by PID.
#
#   x11-session.sh start STATE      start the session, write STATE/env and STATE/pids
#   x11-session.sh run STATE CMD... run CMD inside the session
#   x11-session.sh stop STATE       stop what start started
#
# MONITOR_WIDTH / MONITOR_HEIGHT (pixels, default 1920 x 1080) size each monitor.
set -euo pipefail

cmd="${1:?usage: x11-session.sh start|run|stop STATE [CMD...]}"
state="${2:?state folder missing}"
shift 2

stop_session() {
    [[ -f "$state/pids" ]] || return 0
    # Reverse order: the window manager before the server it talks to.
    tac "$state/pids" | while read -r pid; do
        kill "$pid" 2>/dev/null || true
    done
    for _ in $(seq 50); do
        alive=0
        while read -r pid; do kill -0 "$pid" 2>/dev/null && alive=1; done <"$state/pids"
        ((alive)) || break
        sleep 0.1
    done
    while read -r pid; do kill -9 "$pid" 2>/dev/null || true; done <"$state/pids"
    rm -f "$state/pids" "$state/env"
}

case "$cmd" in
start)
    mkdir -p "$state"
    stop_session
    w="${MONITOR_WIDTH:-1920}"
    h="${MONITOR_HEIGHT:-1080}"
    rm -f "$state/display"
    Xvfb -displayfd 3 -screen 0 "$((2 * w))x${h}x24" -nolisten tcp -noreset \
        3>"$state/display" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/pids"
    num=""
    for _ in $(seq 100); do
        num="$(tr -dc '0-9' <"$state/display" 2>/dev/null || true)"
        [[ -n "$num" ]] && break
        sleep 0.1
    done
    [[ -n "$num" ]] || { echo "Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; stop_session; exit 1; }
    export DISPLAY=":$num"

    # The first monitor takes over the automatic "screen" one, or Qt would see three screens.
    mm_w=$((w * 254 / 960)) mm_h=$((h * 254 / 960))
    xrandr --setmonitor '*LEFT' "$w/${mm_w}x$h/${mm_h}+0+0" screen
    xrandr --setmonitor RIGHT "$w/${mm_w}x$h/${mm_h}+$w+0" none

    openbox --sm-disable >"$state/openbox.log" 2>&1 &
    echo $! >>"$state/pids"
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' \
        || { echo "openbox did not start" >&2; stop_session; exit 1; }

    cat >"$state/env" <<ENV
export DISPLAY=:$num
export QT_SCREEN_SCALE_FACTORS='LEFT=1;RIGHT=2'
ENV
    echo "X11 session on :$num, monitors LEFT and RIGHT of ${w}x$h"
    ;;
run)
    [[ -f "$state/env" ]] || { echo "no X11 session in $state" >&2; exit 1; }
    # shellcheck disable=SC1091
    source "$state/env"
    unset WAYLAND_DISPLAY
    exec "$@"
    ;;
stop)
    stop_session
    ;;
*)
    echo "unknown command: $cmd" >&2
    exit 2
    ;;
esac
