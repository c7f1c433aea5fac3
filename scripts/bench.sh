#!/usr/bin/env bash
# Builds an optimised tree and runs every benchmark; each prints medians.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build-bench}"
export BUILD_TYPE=Release
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
status=0
for bench in "$BUILD_DIR"/bench/bench_*; do
    [[ -x "$bench" ]] || continue
    echo "== $(basename "$bench")"
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$bench" || status=1
done
exit $status
