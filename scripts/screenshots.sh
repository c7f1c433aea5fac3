#!/usr/bin/env bash
# Renders the editor's toolbars and popups, and the whole canvas over a made-up screen, offscreen
# at 1x and 2x into screenshots/out/, for a look by eye after changing how they are drawn.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="$root/screenshots/out"
"$root/scripts/build.sh" --target screenshot_Toolbars screenshot_Canvas
mkdir -p "$out"
# The canvas reads and writes settings: keep them away from the real ones.
settings="$(mktemp -d)"
trap 'rm -rf "$settings"' EXIT
for scale in 1 2; do
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORMTHEME= \
        "$build/tests/editor/screenshot_Toolbars" "$out"
    HOME="$settings" XDG_CONFIG_HOME="$settings/.config" QT_QPA_PLATFORM=offscreen \
        QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORMTHEME= \
        "$build/tests/editor/screenshot_Canvas" "$out"
done
