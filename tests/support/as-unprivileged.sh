#!/bin/sh
# Runs a test program as an unprivileged user, so that the checks on files and folders without
# permissions (which do not bind the super-user) also run where the tests run as root, as in CI.
# Run by someone else than root, the program runs as it is. A program that the user nobody cannot
# reach where it lies (a folder on its way is closed, as under /root) is run from a copy in the
# user's private home. Exits 77 (skipped) when the switch of user cannot be made here; under CI
# (CI=true) that is a failure, since the checks would then pass without having run.
#
#     as-unprivileged.sh PROGRAM [ARGUMENTS...]
set -eu
if [ "$(id -u)" != 0 ]; then
    exec "$@"
fi
cannot() {
    if [ "${CI:-}" = true ]; then
        echo "$1: the checks as an unprivileged user cannot run, which fails under CI" >&2
        exit 1
    fi
    echo "$1: the checks as an unprivileged user are skipped" >&2
    exit 77
}
command -v setpriv >/dev/null 2>&1 || cannot "setpriv is missing"
group=nogroup
getent group nogroup >/dev/null 2>&1 || group=nobody
as_nobody() {
    setpriv --reuid=nobody --regid="$group" --clear-groups --reset-env "$@"
}
home=$(mktemp -d /tmp/twinsift-unprivileged-XXXXXX)
trap 'rm -rf "$home"' EXIT
trap 'exit 143' HUP INT TERM
chown nobody:"$group" "$home"
chmod 0700 "$home"
program=$1
shift
if ! as_nobody test -x "$program"; then
    copy="$home/$(basename "$program")"
    cp "$program" "$copy"
    chown nobody:"$group" "$copy"
    as_nobody test -x "$copy" || cannot "the user nobody can run neither $copy nor $program"
    program=$copy
fi
status=0
env -i PATH="$PATH" HOME="$home" TMPDIR="$home" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    CI="${CI:-}" TWINSIFT_NO_SKIP_UNDER_CI="${TWINSIFT_NO_SKIP_UNDER_CI:-}" \
    setpriv --reuid=nobody --regid="$group" --clear-groups "$program" "$@" || status=$?
exit "$status"
