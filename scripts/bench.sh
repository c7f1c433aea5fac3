#!/usr/bin/env bash
# Builds an optimised tree and runs every benchmark; each prints medians. Benchmarks that need an
# X server run again inside the fixture with two 3840 x 2160 monitors.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build-bench}"
export BUILD_TYPE=Release
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
status=0
# Run only inside the X11 fixture below.
x11_benches=(bench_capture bench_startup bench_recents bench_search)
x11_only=(bench_startup bench_recents bench_search)
for bench in "$BUILD_DIR"/bench/bench_*; do
    [[ -f "$bench" && -x "$bench" ]] || continue
    [[ " ${x11_only[*]} " == *" $(basename "$bench") "* ]] && continue
    echo "== $(basename "$bench")"
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$bench" || status=1
done

state="$BUILD_DIR/x11-bench-session"
trap '"$root/scripts/x11-session.sh" stop "$state"' EXIT
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
exit $status
