#!/usr/bin/env bash
# Configures (once) and builds everything into BUILD_DIR (default: build) with Ninja.
# BRINDLE_SANITIZE=ON configures the AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
        -DBRINDLE_SANITIZE="${BRINDLE_SANITIZE:-OFF}"
fi
cmake --build "$build" "$@"
