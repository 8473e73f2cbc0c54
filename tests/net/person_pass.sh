#!/usr/bin/env bash
# A person the rules leave no move, in a network game on 127.0.0.1: four korvel4-script
# players play the sixteen turns that box SITA's rook in the file of its partner's king
# (tests/net/room_test.cpp, kToStuck); the authority then passes for SITA at once, and
# every player prints the same `pass 1` line a computer's pass prints and the notice.
# Bounded by timeouts.
set -euo pipefail
source "$(dirname "$0")/rig.sh"
cd "$work"

timeout 60 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --room PASSING --people 1234 \
  --pause 0 > server.out 2>&1 &
server_pid=$!
port=
for _ in $(seq 300); do
  port=$(sed -n 's/^listening on port \([0-9]*\).*/\1/p' server.out)
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || fail "the server did not start"

# The turns in order, SITA first: from and to, as `click` cells.
turns=("5 7 5 6" "2 4 3 4" "3 1 3 2" "9 6 8 7" "5 6 5 5" "1 3 2 2" "5 3 5 4" "8 7 8 8"
       "5 5 5 4" "1 4 1 3" "5 2 5 4" "9 5 9 6" "11 6 3 3" "1 6 2 7" "5 4 8 4" "9 4 9 5")
pids=()
for seat in 1 2 3 4; do
  mkdir -p "p$seat"
  {
    echo "join 127.0.0.1 $port PASSING P$seat $seat"
    echo "timeout 20"
    if [ "$seat" = 1 ]; then echo "wait seats"; echo "start"; else echo "wait start"; fi
    for ((i = seat - 1; i < 16; i += 4)); do
      read -r fx fy tx ty <<< "${turns[$i]}"
      echo "wait turn"; echo "click $fx $fy"; echo "click $tx $ty"
    done
    echo "wait moves 17"
    echo "dump"
    echo "leave"
  } > "p$seat/script.txt"
  (cd "p$seat" && timeout 40 "$bin/korvel4-script" script.txt > "../c$seat.out" 2>&1) &
  pids+=($!)
done
for p in "${pids[@]}"; do wait "$p" || fail "a player's script failed"; done

for seat in 1 2 3 4; do
  out="c$seat.out"
  # The sixteen moves, then SITA's pass and its notice; HIDARI to move.
  [ "$(grep -c '^move ' "$out")" = 16 ] || fail "seat $seat: moves missing"
  [ "$(grep -c '^pass 1$' "$out")" = 1 ] || fail "seat $seat: no single pass of SITA"
  grep -q '^message "" "下は指せる手がないのでパスします"$' "$out" || fail "seat $seat: no notice"
  after=$(grep -A1 '^move 4 9 4 9 5 ' "$out" | tail -1)
  [ "$after" = "pass 1" ] || fail "seat $seat: the pass did not follow MIGI's move: $after"
  grep -q '^state seat=2 .*turns=17 ' "$out" || fail "seat $seat: not at HIDARI's turn after 17 turns"
done
echo "every player saw SITA pass"
