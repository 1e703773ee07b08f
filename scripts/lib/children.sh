# Waiting for a child by its pid, for a bounded time, in bash.
#
# wait_child PID SECONDS: the child's exit status; a child still running
# after SECONDS is ended (TERM, then KILL a second later) and the status is
# 124, as timeout(1) gives. Bash reaps an ended child at once, so a child
# that kill -0 no longer finds has ended and wait gives its status.
wait_child() {
  local pid=$1 ticks=$(($2 * 10))
  while kill -0 "$pid" 2>/dev/null; do
    if [ "$ticks" -le 0 ]; then
      kill "$pid" 2>/dev/null || true
      sleep 1
      kill -9 "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      return 124
    fi
    ticks=$((ticks - 1))
    sleep 0.1
  done
  wait "$pid"
}
