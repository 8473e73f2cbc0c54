#!/usr/bin/env bash
# Two servers behind HAProxy on 127.0.0.1, routed by the room code's first letter with
# docs/haproxy.cfg: a room on each plays through the proxy, one server is killed (-9) and
# started again from its journal while the other room plays on, and the killed room's
# players come back by themselves and finish. A room created through the proxy (no code in
# the address yet) is opened by either server. Skipped (77) when haproxy is not installed.
set -euo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
if ! command -v haproxy > /dev/null; then
  echo "SKIPPED: haproxy is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
work=$(mktemp -d); [ -n "${KEEP:-}" ] && echo "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "$1"; for f in "$work"/*.out; do echo "== $f"; tail -n 20 "$f"; done; exit 1; }

# Three free ports on the loopback, picked by the system.
read -r front pa pb < <(python3 -c '
import socket
ss = [socket.socket() for _ in range(3)]
for s in ss: s.bind(("127.0.0.1", 0))
print(*[s.getsockname()[1] for s in ss])')

mkdir -p "$work/ja" "$work/jb" "$work/records"
start_server() {  # LETTER PORT OUT: the server's pid in server_pid
  local l=$1 port=$2 out=$work/$3.out
  timeout 80 "$bin/korvel4-server" --listen 127.0.0.1 --port "$port" --shard "$l" \
    --journal "$work/j$(echo "$l" | tr AB ab)" --records "$work/records" --pause 0.2 \
    --room "${l}ROOM01" --people 13 --level 1 --address-connections 1000 --address-rooms 100 \
    --no-penalty-box \
    > "$out" 2>&1 &
  server_pid=$!
  pids+=("$server_pid")
  for _ in $(seq 200); do
    grep -q "^listening on port $port" "$out" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "server $l did not start"
}
start_server A "$pa" serverA
start_server B "$pb" serverB; server_b=$server_pid

sed -e "s/127.0.0.1:4650/127.0.0.1:$front/" -e "s/127.0.0.1:4651/127.0.0.1:$pa/" \
    -e "s/127.0.0.1:4652/127.0.0.1:$pb/" "$src/docs/haproxy.cfg" > "$work/haproxy.cfg"
haproxy -c -q -f "$work/haproxy.cfg" || fail "docs/haproxy.cfg is not a valid configuration"
timeout 80 haproxy -db -f "$work/haproxy.cfg" > "$work/haproxy.out" 2>&1 &
pids+=($!)
for _ in $(seq 200); do (exec 3<> "/dev/tcp/127.0.0.1/$front") 2> /dev/null && break; sleep 0.05; done

# Two people in each room (the computers play 左 and 右), every player through the proxy.
players=()
for l in A B; do
  for seat in 1 3; do
    extra=(); [ $seat = 1 ] && extra=(--start)
    timeout 70 "$bin/korvel4-client" --port "$front" --room "${l}ROOM01" --seat $seat \
      --name "$l$seat" --play 1 --seed $seat --max-turns 160 --timeout 65 --rejoin 20 \
      --record "$work/$l$seat.k4k" "${extra[@]}" > "$work/$l$seat.out" 2>&1 &
    players+=($!); pids+=($!)
  done
done

# A room created through the proxy: opened by either server, its code begins with the
# server's letter.
timeout 20 "$bin/korvel4-client" --port "$front" --create 1 --seat 1 --start --play 0 \
  --max-turns 8 --timeout 15 > "$work/created.out" 2>&1 || fail "no room could be created"
grep -q '^welcome seat 1 room [AB][A-Z0-9]*$' "$work/created.out" ||
  fail "the created room's code begins with no server's letter"

moves() { grep -c '^moved' "$1" 2>/dev/null || true; }
for _ in $(seq 400); do [ "$(moves "$work/B3.out")" -ge 12 ] && break; sleep 0.05; done
[ "$(moves "$work/B3.out")" -ge 12 ] || fail "room B did not get going"
# Server B itself, not the `timeout` that runs it (which would pass on no SIGKILL).
kill -9 "$(pgrep -P "$server_b")"; wait "$server_b" 2>/dev/null || true
killed_at=$(moves "$work/B3.out")
a_then=$(moves "$work/A3.out")
sleep 1.5  # room A plays on meanwhile; room B's players try to come back
a_now=$(moves "$work/A3.out")
[ "$a_now" -gt "$a_then" ] || grep -q "^over" "$work/A1.out" || fail "room A stopped while server B was down"
grep -q '^connection lost; coming back' "$work/B1.out" || fail "room B's players did not try to come back"
start_server B "$pb" serverB-again
grep -q "1 rooms taken back" "$work/serverB-again.out" || fail "server B did not take its room back"

for p in "${players[@]}"; do wait "$p" || fail "a player failed"; done
same_game() { cmp <(grep -v '^開始日時: ' "$1") <(grep -v '^開始日時: ' "$2"); }
for l in A B; do
  same_game "$work/${l}1.k4k" "$work/${l}3.k4k" || fail "room $l's players kept different games"
done
# The server started again ended room B's game and saved it: the same game as its players'.
authority=$(sed -n 's/^saved \(.*-finished.k4k\)$/\1/p' "$work/serverB-again.out" | head -1)
[ -n "$authority" ] || fail "server B saved no record of room B's game"
same_game "$work/B1.k4k" "$authority" || fail "room B's record differs from the authority's"
b_end=$(moves "$work/B3.out")
[ "$(grep -c '^welcome seat 3 room BROOM01' "$work/B3.out")" -ge 2 ] || fail "B's player did not come back"
[ "$b_end" -gt "$killed_at" ] || fail "room B did not play on after the restart"
echo "room A played on while B was down; room B killed at $killed_at moves, taken back and played on"
