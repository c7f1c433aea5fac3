#!/usr/bin/env bash
# Runs CMD inside the sway session that `sway-session.sh start STATE` started: as its user (the
# test user when called as root), with a clean environment holding only that session's variables,
# a Wayland Qt platform and the caller's sanitizer options. Leading VAR=VALUE arguments add to or
# override that environment.
#
#   as-user.sh STATE [VAR=VALUE...] CMD...
set -euo pipefail
state="${1:?usage: as-user.sh STATE [VAR=VALUE...] CMD...}"
shift
[[ -f "$state/env" ]] || { echo "no sway session in $state" >&2; exit 1; }

vars=()
while IFS= read -r line; do
    line="${line#export }"
    name="${line%%=*}"
    value="${line#*=}"
    value="${value#\'}"
    vars+=("$name=${value%\'}")
done <"$state/env"
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
    [[ -n "${!name:-}" ]] && vars+=("$name=${!name}")
done
# Under the sanitizers Qt clients skip Mesa's EGL, which they do not draw with: the driver it
# unloads leaves leak reports that no suppression can name. Qt warns that it found no "none".
[[ -n "${ASAN_OPTIONS:-}" ]] && vars+=(QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none)

as=()
if ((EUID == 0)); then
    user="$(sed -n "s/^export USER='\(.*\)'$/\1/p" "$state/env")"
    as=(setpriv --reuid="$user" --regid="$user" --init-groups)
    # The user's sanitizer reports go to the caller's report folder.
    for options in "${ASAN_OPTIONS:-}" "${UBSAN_OPTIONS:-}"; do
        [[ "$options" =~ log_path=([^:]*) ]] || continue
        reports="$(dirname "${BASH_REMATCH[1]}")"
        [[ -d "$reports" ]] && setfacl -m "u:$user:rwx" "$reports"
    done
fi
exec "${as[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin LC_ALL=C.UTF-8 QT_QPA_PLATFORM=wayland \
    "${vars[@]}" "$@"
