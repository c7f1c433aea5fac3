#!/usr/bin/env bash
# The headless sway fixture: two outputs side by side (HEADLESS-1 1920x1080 at 0,0 scale 1 and
# HEADLESS-2 1920x1080 at 1920,0 scale 2), pipewire and the wlr screenshot portal, all inside one
# private D-Bus session. sway refuses to run as root, so as root everything runs as the test user
# brindlewl (created when missing); as another user, as that user. Processes are tracked by PID in
# the state folder and stopped by PID.
#
#   sway-session.sh start STATE      start the session, write STATE/env and STATE/pids
#   sway-session.sh run STATE CMD... run CMD (as root, a test executable) with STATE/env exported
#   sway-session.sh stop STATE       stop what start started
#
# SWAY_LAYOUT=4k starts one 3840x2160 output at scale 1 instead (for benchmarks).
#
# start exits 77 with a one-line reason when the compositor cannot start; run then exits 77 too,
# so the tests that need the session are skipped with that reason.
set -euo pipefail

cmd="${1:?usage: sway-session.sh start|run|stop STATE [CMD...]}"
state="${2:?state folder missing}"
shift 2
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
user=brindlewl

# The session's own processes: everything below the dbus-run-session that start launched.
descendants() {
    local pid
    for pid in $(ps -o pid= --ppid "$1" 2>/dev/null); do
        echo "$pid"
        descendants "$pid"
    done
}

# Processes that left that tree but still belong to the session: D-Bus activated services,
# swaybg, wl-copy serving the clipboard; they carry the session's runtime folder.
strays() {
    local environ
    for environ in /proc/[0-9]*/environ; do
        if { tr '\0' '\n' <"$environ"; } 2>/dev/null | grep -qx "XDG_RUNTIME_DIR=$1/run"; then
            environ="${environ#/proc/}"
            echo "${environ%/environ}"
        fi
    done
}

stop_session() {
    [[ -f "$state/pids" ]] || { rm -f "$state/env"; return 0; }
    local pids base=""
    [[ -f "$state/base" ]] && base="$(cat "$state/base")"
    # swaybar, xdg-permission-store and the portals are children of the session too.
    pids="$(head -n1 "$state/pids" | { read -r top && descendants "$top"; } || true)"
    [[ -n "$base" ]] && pids+=" $(strays "$base")"
    pids="$(printf '%s\n' $pids $(cat "$state/pids") | sort -un | grep -v '^$' || true)"
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for _ in $(seq 50); do
        local alive=0
        for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive=1; done
        ((alive)) || break
        sleep 0.1
    done
    for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
    if [[ "$base" == /tmp/brindle-sway.* ]]; then
        # The document portal's file system, when it could not take it down itself.
        if grep -q " $base/run/doc " /proc/mounts; then
            fusermount -u "$base/run/doc" 2>/dev/null || umount -l "$base/run/doc" 2>/dev/null || true
        fi
        rm -rf --one-file-system "$base"
    fi
    rm -f "$state/pids" "$state/env" "$state/base"
}

skip() {
    echo "$1" | tee "$state/skip" >&2
    stop_session
    exit 77
}

# As root: the test user, who must reach this checkout and the state folder to run what is built
# here; a folder closed to others (a checkout under /root) opens to that user alone.
prepare_user() {
    if ! id "$user" >/dev/null 2>&1; then
        # Another session may create it at the same moment.
        useradd -m "$user" 2>/dev/null || id "$user" >/dev/null 2>&1 \
            || skip "cannot create the test user $user for sway, which refuses to run as root"
    fi
    local dir
    for dir in "$here" "$state"; do
        while [[ "$dir" != / ]]; do
            if ! setpriv --reuid="$user" --regid="$user" --init-groups test -x "$dir"; then
                command -v setfacl >/dev/null \
                    || skip "the test user $user cannot enter $dir and setfacl is missing"
                setfacl -m "u:$user:x" "$dir"
            fi
            dir="$(dirname "$dir")"
        done
    done
}

case "$cmd" in
start)
    mkdir -p "$state"
    state="$(cd "$state" && pwd)"
    stop_session
    rm -f "$state/skip"
    command -v sway >/dev/null || skip "sway is not installed"
    if ((EUID == 0)); then
        prepare_user
        as=(setpriv --reuid="$user" --regid="$user" --init-groups)
        home_owner="$user"
    else
        as=()
        home_owner="$(id -un)"
    fi
    # Short paths in /tmp: the runtime folder holds sockets, and everyone can reach it.
    base="$(mktemp -d /tmp/brindle-sway.XXXXXX)"
    echo "$base" >"$state/base"
    mkdir -m 0700 "$base/run"
    mkdir "$base/home" "$base/portals"
    case "${SWAY_LAYOUT:-two}" in
    two) outputs='output HEADLESS-1 resolution 1920x1080 position 0 0 scale 1
output HEADLESS-2 resolution 1920x1080 position 1920 0 scale 2' ;;
    4k) outputs='output HEADLESS-1 resolution 3840x2160 position 0 0 scale 1' ;;
    *) echo "unknown SWAY_LAYOUT: $SWAY_LAYOUT" >&2; exit 2 ;;
    esac
    printf '%s\nxwayland disable\n' "$outputs" >"$base/config"
    # xdg-desktop-portal exports Screenshot only when some back-end offers Access; a
    # non-interactive call never reaches it, so the stand-in service need not exist.
    cp /usr/share/xdg-desktop-portal/portals/wlr.portal "$base/portals/"
    cat >"$base/portals/standin.portal" <<'PORTAL'
[portal]
DBusName=org.freedesktop.impl.portal.desktop.standin
Interfaces=org.freedesktop.impl.portal.Access;
UseIn=sway;wlroots
PORTAL
    cp "$here/sway-inner.sh" "$base/inner.sh"
    chown -R "$home_owner:" "$base"

    "${as[@]}" env -i HOME="$base/home" USER="$home_owner" XDG_RUNTIME_DIR="$base/run" \
        PATH=/usr/bin:/bin LC_ALL=C.UTF-8 XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland \
        XDG_DESKTOP_PORTAL_DIR="$base/portals" \
        dbus-run-session -- bash "$base/inner.sh" "$base" "$(grep -c ^output "$base/config")" >"$base/session.log" 2>&1 &
    echo $! >"$state/pids"

    # The inner script gives each step 10 s and says which one failed.
    for _ in $(seq 800); do
        [[ -f "$base/run/ready" || -f "$base/run/failed" ]] && break
        kill -0 "$(head -n1 "$state/pids")" 2>/dev/null || break
        sleep 0.05
    done
    if [[ ! -f "$base/run/ready" ]]; then
        reason="$(cat "$base/run/failed" 2>/dev/null || true)"
        cp "$base/session.log" "$state/session.log" 2>/dev/null || true
        skip "sway session did not start: ${reason:-$(tail -n1 "$base/session.log" 2>/dev/null)}"
    fi
    cat "$base/run/pids" >>"$state/pids"
    {
        cat "$base/run/env"
        echo "export HOME='$base/home'"
        echo "export USER='$home_owner'"
        echo "export XDG_RUNTIME_DIR='$base/run'"
        echo "export XDG_CURRENT_DESKTOP=sway"
        echo "export XDG_SESSION_TYPE=wayland"
    } >"$state/env"
    echo "sway session in $base: $(sed -n 's/^output //p' "$base/config" | paste -sd ';')"
    ;;
run)
    if [[ ! -f "$state/env" ]]; then
        [[ -f "$state/skip" ]] && { cat "$state/skip" >&2; exit 77; }
        echo "no sway session in $state" >&2
        exit 1
    fi
    export BRINDLE_WAYLAND_STATE="$state"
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
