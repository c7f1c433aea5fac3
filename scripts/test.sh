#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite: offscreen widget tests and the
# end-to-end tests on a real X server (Xvfb + openbox, started and stopped by ctest's fixture).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$build"
if ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"; then
    echo "TESTS PASSED"
else
    echo "TESTS FAILED"
    exit 1
fi
