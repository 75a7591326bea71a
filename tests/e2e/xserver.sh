# Sourced by the test script and by the benchmarks: starts Xvfb on a free
# display with openbox, and stops both.
start_xserver() {
  local n ok=
  for n in $(seq 90 160); do
    # A lock whose server is gone (killed with its test) frees the display:
    # Xvfb takes such a lock over itself.
    if [ -e "/tmp/.X$n-lock" ]; then
      kill -0 "$(tr -d ' ' <"/tmp/.X$n-lock")" 2>/dev/null && continue
    elif [ -e "/tmp/.X11-unix/X$n" ]; then
      continue
    fi
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    WW_XVFB_PID=$!
    for _ in $(seq 50); do
      kill -0 "$WW_XVFB_PID" 2>/dev/null || break  # lost the display to someone else
      DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && { ok=1; break; }
      sleep 0.1
    done
    [ -n "$ok" ] && break
    kill "$WW_XVFB_PID" 2>/dev/null || true
  done
  [ -n "$ok" ] || { echo "no X server could be started" >&2; return 1; }
  export DISPLAY=":$n"
  # Ready once it owns the window-manager selection: seconds on a loaded machine.
  # Once seen to end without taking the display: started again, its words kept.
  local log=/tmp/ww-openbox$n.log
  ok=
  for _ in 1 2 3; do
    openbox --sm-disable >"$log" 2>&1 &
    WW_OPENBOX_PID=$!
    for _ in $(seq 1200); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && { ok=1; break; }
      kill -0 "$WW_OPENBOX_PID" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$ok" ] && break
    kill -0 "$WW_OPENBOX_PID" 2>/dev/null && break  # alive but stuck: a second would compete
  done
  export WW_XVFB_PID WW_OPENBOX_PID
  # Without it windows are neither activated nor placed: the tests would fail on that, not on us.
  [ -n "$ok" ] && return 0
  echo "openbox did not take display $DISPLAY:" >&2
  cat "$log" >&2
  stop_xserver
  return 1
}

stop_xserver() {
  [ -n "${WW_OPENBOX_PID:-}" ] && kill "$WW_OPENBOX_PID" 2>/dev/null || true
  [ -n "${WW_XVFB_PID:-}" ] && kill "$WW_XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
}
