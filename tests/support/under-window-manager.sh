#!/usr/bin/env bash
# Runs a command on a private X display with a window manager: starts Xvfb on the first free
# display number from 90 on, with a screen of the given size, starts openbox on it, runs the
# command with DISPLAY set and the Qt xcb platform, then stops both. Exits 77 (a skip for CTest)
# with a message when Xvfb or openbox is missing or no display could be started.
# Usage: under-window-manager.sh WIDTHxHEIGHT COMMAND [ARGS...]
set -u
size="$1"
shift
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "Skipped: Xvfb is not installed (scripts/deps --tests installs it)."
  exit 77
fi
if ! command -v openbox >/dev/null 2>&1; then
  echo "Skipped: openbox is not installed (scripts/deps --tests installs it)."
  exit 77
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/twinsift-xvfb-XXXXXX")"
xvfb_pid=""
wm_pid=""
stop_all() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap stop_all EXIT

display=""
for n in $(seq 90 140); do
  [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
  Xvfb ":${n}" -screen 0 "${size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  # Up when its socket is there; another run may have taken the number first.
  for _ in $(seq 1 100); do
    [ -S "/tmp/.X11-unix/X${n}" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X${n}" ]; then
    display=":${n}"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
if [ -z "$display" ]; then
  echo "Skipped: no X display could be started with Xvfb."
  cat "$work/xvfb.log" 2>/dev/null
  exit 77
fi

# openbox runs its start-up command once it manages the screen.
DISPLAY="$display" openbox --sm-disable --config-file /dev/null --startup "touch $work/wm-ready" \
  >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 1 100); do
  [ -e "$work/wm-ready" ] && break
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
