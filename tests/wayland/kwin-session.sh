#!/usr/bin/env bash
# The headless KWin fixture: two virtual outputs side by side (Virtual-0 and Virtual-1, 1920x1080
# each, scale 1), KDE's GlobalShortcuts portal, all inside one private D-Bus session. Unlike sway,
# KWin runs as root, so it runs as whoever calls. Processes are tracked by PID in the state folder
# and stopped by PID.
#
#   kwin-session.sh start STATE      start the session, write STATE/env and STATE/pids
#   kwin-session.sh run STATE CMD... run CMD with STATE/env exported
#   kwin-session.sh stop STATE       stop what start started
#
# start exits 77 with a one-line reason when the compositor cannot start; run then exits 77 too,
# so the tests that need the session are skipped with that reason.
set -euo pipefail

cmd="${1:?usage: kwin-session.sh start|run|stop STATE [CMD...]}"
state="${2:?state folder missing}"
shift 2
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# The session's own processes: everything below the dbus-run-session that start launched.
descendants() {
    local pid
    for pid in $(ps -o pid= --ppid "$1" 2>/dev/null); do
        echo "$pid"
        descendants "$pid"
    done
}

stop_session() {
    [[ -f "$state/pids" ]] || { rm -f "$state/env"; return 0; }
    local pids
    # The portals, the document portal's FUSE helper and the permission store are children of
    # the session too; some of them are re-parented once the bus is gone, so list them first.
    pids="$(head -n1 "$state/pids" | { read -r top && descendants "$top"; } || true)"
    pids="$(printf '%s\n%s\n' "$pids" "$(cat "$state/pids")" | sort -un | grep -v '^$' || true)"
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for _ in $(seq 50); do
        local alive=0
        for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive=1; done
        ((alive)) || break
        sleep 0.1
    done
    for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
    if [[ -f "$state/base" ]]; then
        local base
        base="$(cat "$state/base")"
        [[ "$base" == /tmp/brindle-kwin.* ]] && { umount "$base/home/.cache/doc" 2>/dev/null || true; rm -rf "$base"; }
    fi
    rm -f "$state/pids" "$state/env" "$state/base"
}

skip() {
    echo "$1" | tee "$state/skip" >&2
    stop_session
    exit 77
}

case "$cmd" in
start)
    mkdir -p "$state"
    state="$(cd "$state" && pwd)"
    stop_session
    rm -f "$state/skip"
    [[ -x /usr/bin/kwin_wayland ]] || skip "kwin_wayland is not installed"
    compgen -G "/usr/lib/*/libexec/xdg-desktop-portal-kde" >/dev/null \
        || skip "xdg-desktop-portal-kde is not installed"
    base="$(mktemp -d /tmp/brindle-kwin.XXXXXX)"
    echo "$base" >"$state/base"
    mkdir -m 0700 "$base/run"
    mkdir "$base/home" "$base/portals" "$base/bin"
    # The installed binary carries a file capability this machine's bounding set may lack; a
    # plain copy runs, and KWin picks its own Qt platform only under its own name.
    cp /usr/bin/kwin_wayland "$base/bin/kwin_wayland"
    # Only KDE's back-end: the GTK one would be started on demand and fail without a display.
    cp /usr/share/xdg-desktop-portal/portals/kde.portal "$base/portals/"
    cp "$here/kwin-inner.sh" "$base/inner.sh"

    # Services the bus starts on demand inherit this environment, so it names the session.
    env -i HOME="$base/home" USER="$(id -un)" XDG_RUNTIME_DIR="$base/run" PATH=/usr/bin:/bin \
        LC_ALL=C.UTF-8 XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-k \
        XDG_DESKTOP_PORTAL_DIR="$base/portals" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
        dbus-run-session -- bash "$base/inner.sh" "$base" >"$base/session.log" 2>&1 &
    echo $! >"$state/pids"

    for _ in $(seq 300); do
        [[ -f "$base/run/ready" || -f "$base/run/failed" ]] && break
        kill -0 "$(head -n1 "$state/pids")" 2>/dev/null || break
        sleep 0.05
    done
    if [[ ! -f "$base/run/ready" ]]; then
        reason="$(cat "$base/run/failed" 2>/dev/null || true)"
        cp "$base/session.log" "$state/session.log" 2>/dev/null || true
        skip "KWin session did not start: ${reason:-$(tail -n1 "$base/session.log" 2>/dev/null)}"
    fi
    cat "$base/run/pids" >>"$state/pids"
    {
        cat "$base/run/env"
        echo "export HOME='$base/home'"
        echo "export XDG_RUNTIME_DIR='$base/run'"
        echo "export XDG_CURRENT_DESKTOP=KDE"
        echo "export XDG_SESSION_TYPE=wayland"
    } >"$state/env"
    echo "KWin session in $base: Virtual-0 and Virtual-1, 1920x1080 each"
    ;;
run)
    if [[ ! -f "$state/env" ]]; then
        [[ -f "$state/skip" ]] && { cat "$state/skip" >&2; exit 77; }
        echo "no KWin session in $state" >&2
        exit 1
    fi
    export BRINDLE_KWIN_STATE="$state"
    # Under the sanitizers Qt clients skip Mesa's EGL, as in the sway session (see as-user.sh).
    [[ -n "${ASAN_OPTIONS:-}" ]] && export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none
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
