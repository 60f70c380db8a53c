# Shared by the end-to-end scripts that run the real program under Xvfb against orv-sim.
# Source it after setting `sim` (the orv-sim binary); it makes the work folder `work`, removes it
# and ends the simulator on exit, and offers `fail` and `start_sim`.
work=$(mktemp -d)
sim_pid="" orv_pid=""
cleanup() {
  [ -n "$orv_pid" ] && kill "$orv_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/stderr" ] && sed 's/^/  program: /' "$work/stderr" >&2; exit 1; }

# start_sim ARGS...: orv-sim as a TCP server on a free loopback port; sets `sim_pid` and `port`.
start_sim() {
  "$sim" --tcp 127.0.0.1:0 "$@" 2>"$work/sim.log" &
  sim_pid=$!
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/sim.log" | head -1)
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || fail "orv-sim did not start"
}
