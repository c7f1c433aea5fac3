#!/usr/bin/env bash
# Builds an optimised tree and runs every benchmark; each prints medians. Benchmarks that need an
# X server run again inside the fixture with two 3840 x 2160 monitors; those that need Wayland run
# inside headless sway sessions, as that session's user, beside the reference figures of grim and
# the screenshot portal; the KWin one inside a headless KWin session.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build-bench}"
export BUILD_TYPE=Release
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
status=0
# Run only inside the X11 fixture below.
x11_benches=(bench_capture bench_startup bench_recents bench_search)
# Run only inside the sway sessions at the end: add a Wayland benchmark here.
sway_benches=(bench_sway_reference bench_sway_capture)
session_only=(bench_startup bench_recents bench_search bench_kwin "${sway_benches[@]}")
for bench in "$BUILD_DIR"/bench/bench_*; do
    [[ -f "$bench" && -x "$bench" ]] || continue
    [[ " ${session_only[*]} " == *" $(basename "$bench") "* ]] && continue
    echo "== $(basename "$bench")"
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$bench" || status=1
done

state="$BUILD_DIR/x11-bench-session"
sway_state="$BUILD_DIR/sway-bench-session"
kwin_state="$BUILD_DIR/kwin-bench-session"
trap '"$root/scripts/x11-session.sh" stop "$state"; "$root/tests/wayland/sway-session.sh" stop "$sway_state"; "$root/tests/wayland/kwin-session.sh" stop "$kwin_state"' EXIT
MONITOR_WIDTH=3840 MONITOR_HEIGHT=2160 "$root/scripts/x11-session.sh" start "$state"
for name in "${x11_benches[@]}"; do
    echo "== $name (X11)"
    home="$(mktemp -d)"
    # Its own home, so benchmark captures never land in the user's folders.
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        QT_QPA_PLATFORM=xcb "$root/scripts/x11-session.sh" run "$state" "$BUILD_DIR/bench/$name" \
        || status=1
    rm -rf "$home"
done

# in_sway_session LAYOUT BENCH...: each benchmark as the user of a fresh headless sway session
# (LAYOUT two: 1920x1080 at scale 1 beside 1920x1080 at scale 2; 4k: one 3840x2160 output), with
# BRINDLE_SWAY_LAYOUT telling it which. Skipped with the reason when sway cannot start.
in_sway_session() {
    local layout="$1" code=0
    shift
    SWAY_LAYOUT="$layout" "$root/tests/wayland/sway-session.sh" start "$sway_state" || code=$?
    if ((code == 77)); then
        echo "== sway ($layout) skipped: $(cat "$sway_state/skip")"
        return 0
    fi
    ((code == 0)) || return 1
    for name in "$@"; do
        echo "== $name (sway, $layout)"
        "$root/tests/wayland/as-user.sh" "$sway_state" BRINDLE_SWAY_LAYOUT="$layout" \
            "$BUILD_DIR/bench/$name" || status=1
    done
    "$root/tests/wayland/sway-session.sh" stop "$sway_state"
}
in_sway_session two "${sway_benches[@]}" || status=1
in_sway_session 4k "${sway_benches[@]}" || status=1

code=0
"$root/tests/wayland/kwin-session.sh" start "$kwin_state" || code=$?
if ((code == 77)); then
    echo "== KWin skipped: $(cat "$kwin_state/skip")"
elif ((code == 0)); then
    echo "== bench_kwin (KWin)"
    "$root/tests/wayland/kwin-session.sh" run "$kwin_state" "$BUILD_DIR/bench/bench_kwin" || status=1
    "$root/tests/wayland/kwin-session.sh" stop "$kwin_state"
else
    status=1
fi
exit $status
