#!/usr/bin/env bash
# The device check over a lossy link: a network namespace of its own whose
# loopback is a slow, congested link that drops packets (a token bucket of
# RATE with a queue of 3 packets, kept full by a bulk transfer beside the check), a
# test device inside it, and each given fabrion-cli checking the same table
# there. Needs root; touches no other network and leaves nothing behind.
# (netem would drop at random; this kernel has no netem.)
#   bench/lossy_link.sh BENCH_DEVICE_CHECK [RATE] [TIMEOUT_MS] -- CLI [CHECK OPTIONS] [-- CLI ...]
# BENCH_DEVICE_CHECK is the built bench_device_check (its --serve mode is the device).
set -euo pipefail

bench="$1"; shift
rate="${1:-2mbit}"; [ "$#" -gt 0 ] && [ "$1" != "--" ] && shift
timeout="${1:-300}"; [ "$#" -gt 0 ] && [ "$1" != "--" ] && shift
[ "${1:-}" = "--" ] && shift

ns="fabrion-lossy-$$"
work="$(mktemp -d)"
cleanup() {
  ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns del "$ns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

ip netns add "$ns"
ip netns exec "$ns" ip link set lo up mtu 1500
ip netns exec "$ns" tc qdisc add dev lo root handle 1: tbf rate "$rate" burst 3kb latency 100ms
ip netns exec "$ns" tc qdisc add dev lo parent 1:1 handle 10: pfifo limit 3  # drops small packets too
ip netns exec "$ns" "$bench" --serve 127.0.0.1 1502 &
# The bulk transfer: a sink and a sender that never stop.
ip netns exec "$ns" python3 -c '
import socket, threading
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.9", 9)); s.listen(4)
def sink(c):
    while c.recv(65536): pass
while True:
    threading.Thread(target=sink, args=(s.accept()[0],), daemon=True).start()' &
sleep 0.5
ip netns exec "$ns" python3 -c '
import socket
c = socket.create_connection(("127.0.0.9", 9)); data = bytes(65536)
while True: c.sendall(data)' &
sleep 2

# 300 rows of 10 holding registers on the one device.
mkdir -p "$work/p"
for i in $(seq 0 299); do
  echo "Holding Register,$((i * 10)),127.0.0.1,$((i % 90)),10,"
done > "$work/table.csv"

echo "link ${rate} with a bulk transfer beside, time-out ${timeout} ms, 300 rows on one device"
while [ "$#" -gt 0 ]; do
  cli=("$1"); shift
  while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do cli+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  "${cli[0]}" table import "$work/p" "$work/table.csv"
  start=$(date +%s.%N)
  ip netns exec "$ns" "${cli[@]:0:1}" check "$work/p" --port 1502 --timeout "$timeout" --json \
      "${cli[@]:1}" > "$work/out.json" || true
  end=$(date +%s.%N)
  printf '%s %s: %.2f s;' "$(basename "${cli[0]}")" "${cli[*]:1}" "$(echo "$end - $start" | bc)"
  grep -o '"status": "[a-z-]*"' "$work/out.json" | sort | uniq -c | tr -s ' \n' ' '
  echo
done
echo "the link: $(ip netns exec "$ns" tc -s qdisc show dev lo | grep -o 'Sent .*dropped [0-9]*' | head -1)"
