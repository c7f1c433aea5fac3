#!/usr/bin/env bash
# The reports of the sanitizer build's processes, one file per process that hit an error.
#
#   sanitizer-reports.sh clear DIR   empty the folder before a run
#   sanitizer-reports.sh check DIR   print every report and fail when there is one
set -euo pipefail

cmd="${1:?usage: sanitizer-reports.sh clear|check DIR}"
dir="${2:?report folder missing}"

case "$cmd" in
clear)
    rm -rf "$dir"
    mkdir -p "$dir"
    ;;
check)
    shopt -s nullglob
    reports=("$dir"/*)
    if ((${#reports[@]} == 0)); then
        echo "no sanitizer reports"
        exit 0
    fi
    for report in "${reports[@]}"; do
        echo "== $report"
        cat "$report"
    done
    exit 1
    ;;
*)
    echo "unknown command: $cmd" >&2
    exit 2
    ;;
esac
