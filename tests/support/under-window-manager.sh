#!/usr/bin/env bash
# Runs a command on a private X display with a window manager: starts Xvfb on a free display
# number, with a screen of the given size, starts openbox on it, runs the
# command with DISPLAY set and the Qt xcb platform, then stops both. Exits 77 (a skip for CTest)
# with a message when Xvfb or openbox is missing or no display could be started; under CI (CI=true)
# that is a failure, since the checks would then pass without having run.
# Usage: under-window-manager.sh WIDTHxHEIGHT COMMAND [ARGS...]
set -u
size="$1"
shift
cannot() {
  if [ "${CI:-}" = true ]; then
    echo "$1: the checks on a real X display cannot run, which fails under CI."
    exit 1
  fi
  echo "Skipped: $1."
  exit 77
}
command -v Xvfb >/dev/null 2>&1 || cannot "Xvfb is not installed (scripts/deps --tests installs it)"
command -v openbox >/dev/null 2>&1 || cannot "openbox is not installed (scripts/deps --tests installs it)"

work="$(mktemp -d "${TMPDIR:-/tmp}/twinsift-xvfb-XXXXXX")"
xvfb_pid=""
wm_pid=""
stop_all() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop_all EXIT

# Xvfb picks a free display number itself and writes it once it accepts connections.
Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp 5>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 1 150); do
  if grep -q '[0-9]' "$work/display" 2>/dev/null; then
    display=":$(tr -dc '0-9' <"$work/display")"
    break
  fi
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$display" ]; then
  cat "$work/xvfb.log" 2>/dev/null
  cannot "no X display could be started with Xvfb"
fi

# openbox runs its start-up command once it manages the screen.
DISPLAY="$display" openbox --sm-disable --config-file /dev/null --startup "touch $work/wm-ready" \
  >"$work/openbox.log" 2>&1 &
wm_pid=$!
# Ready once it has run that command and announced itself on the root window (where xprop is
# there to read it).
wm_announced() {
  command -v xprop >/dev/null 2>&1 || return 0
  DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}
for _ in $(seq 1 100); do
  [ -e "$work/wm-ready" ] && wm_announced && break
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$work/wm-ready" ]; then
  echo "The window manager did not start on $display:"
  cat "$work/openbox.log"
  exit 1
fi

echo "Running on $display (${size}) under openbox"
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$@"
status=$?
exit "$status"
