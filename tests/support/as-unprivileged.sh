#!/bin/sh
# Runs a test program as an unprivileged user, so that the checks on files and folders without
# permissions (which do not bind the super-user) also run where the tests run as root, as in CI.
# Run by someone else than root, the program runs as it is. Exits 77 (skipped) when the switch of
# user cannot be made here.
#
#     as-unprivileged.sh PROGRAM [ARGUMENTS...]
set -eu
if [ "$(id -u)" != 0 ]; then
    exec "$@"
fi
if ! command -v setpriv >/dev/null 2>&1; then
    echo "setpriv is missing: the checks as an unprivileged user are skipped" >&2
    exit 77
fi
group=nogroup
getent group nogroup >/dev/null 2>&1 || group=nobody
as_nobody() {
    setpriv --reuid=nobody --regid="$group" --clear-groups --reset-env "$@"
}
if ! as_nobody test -x "$1"; then
    echo "the user nobody cannot run $1 (a folder on its way is closed): skipped" >&2
    exit 77
fi
home=$(mktemp -d /tmp/twinsift-unprivileged-XXXXXX)
chown nobody:"$group" "$home"
chmod 0700 "$home"
status=0
env -i PATH="$PATH" HOME="$home" TMPDIR="$home" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    setpriv --reuid=nobody --regid="$group" --clear-groups "$@" || status=$?
rm -rf "$home"
exit "$status"
