#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brindlecap (it lives in the system tray).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" --target brindlecap
exec "$build/src/brindlecap" "$@"
