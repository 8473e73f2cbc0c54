#!/usr/bin/env bash
# korvel4-script as the players of network games, on 127.0.0.1 only: every player's copy
# of the game, as a game record, must equal the authority's record, every player must see the same moves,
# and a refusal goes to the player who tried alone. Bounded by timeouts.
set -euo pipefail
source "$(dirname "$0")/rig.sh"
cd "$work"

start_server() {  # args for the server; sets server_pid and port
  : > server.out
  timeout 80 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --records "$work/records" "$@" \
    > server.out 2>&1 &
  server_pid=$!
  for _ in $(seq 300); do
    port=$(sed -n 's/^listening on port \([0-9]*\).*/\1/p' server.out)
    [ -n "$port" ] && return 0
    sleep 0.05
  done
  echo "the server did not start"; cat server.out; exit 1
}
mkdir -p records

# Four people. The host tries a move before the start and an impossible one, then plays
# by the mouse; everyone then plays by the computer's choice to the end.
start_server --room SCRIPTED --people 1234 --pause 0
pids=()
for seat in 2 3 4; do
  mkdir -p "p$seat"
  printf 'join 127.0.0.1 %s SCRIPTED P%s %s\nlevel %s %s\nwait start\ncomputer 1000\nwait over\nrecord ../c%s.k4k\nwait start\nleave\n' \
    "$port" "$seat" "$seat" $(( seat % 2 )) "$seat" "$seat" > "p$seat/script.txt"
  (cd "p$seat" && timeout 60 "$bin/korvel4-script" script.txt > "../c$seat.out" 2>&1) &
  pids+=($!)
done
mkdir -p p1
cat > p1/script.txt <<SCRIPT
join 127.0.0.1 $port SCRIPTED Host 1
level 0 7
click 5 7
click 5 6
wait seats
start
click 5 9
click 1 1
click 5 7
click 5 6
computer 1000
wait over
record ../c1.k4k
wait start
dump
SCRIPT
(cd p1 && timeout 60 "$bin/korvel4-script" script.txt > ../c1.out 2>&1) || fail "the host's script failed"
for p in "${pids[@]}"; do wait "$p" || fail "a player's script failed"; done
kill -TERM "$server_pid"; wait "$server_pid" || true; server_pid=
authority=$(ls records/*-finished.k4k | head -1)
for seat in 1 2 3 4; do  # the same game, each side's own clock aside
  cmp <(grep -v '^開始日時: ' "c$seat.k4k") <(grep -v '^開始日時: ' "$authority") ||
    fail "player $seat's game differs from the authority's"
done
grep -q '^message "開始" "まだ始まっていません"$' c1.out || fail "the host was not refused before the start"
grep -q '^message "禁手" ' c1.out || fail "the impossible move was not refused"
grep -q '^move 1 5 7 5 6 11 11 0$' c1.out || fail "the host's move by the mouse was not played"
for seat in 2 3 4; do
  ! grep -q '^message "禁手"\|^message "開始"' "c$seat.out" || fail "player $seat saw another's refusal"
  # (who left, and who became the host after the host left, as each saw it before leaving)
  diff <(grep '^move\|^pass\|^message ""' c1.out | grep -v '接続\|主催者になりました') \
       <(grep '^move\|^pass\|^message ""' "c$seat.out" | grep -v '接続\|主催者になりました') > /dev/null ||
    fail "player $seat saw other moves or notices than the host"
done
grep -q '^question "" "続けますか？" yes$' c1.out || fail "the host was not asked"
! grep -q '^question' c2.out c3.out c4.out || fail "a player other than the host was asked"
grep -q '^start$' c2.out && [ "$(grep -c '^start$' c2.out)" = 2 ] || fail "the new game did not start for everyone"
echo "four scripted players agree with the authority ($(grep -c '^move' c1.out) moves)"
rm -f records/*

# Two people and two computers: a move out of turn is refused, to the one who tried.
start_server --room OUTOFTURN --people 13 --level 1 --pause 1.5
mkdir -p q1 q3
printf 'join 127.0.0.1 %s OUTOFTURN C 3\nwait moves 2\nleave\n' "$port" > q3/script.txt
(cd q3 && timeout 30 "$bin/korvel4-script" script.txt > ../d3.out 2>&1) &
c=$!
cat > q1/script.txt <<SCRIPT
join 127.0.0.1 $port OUTOFTURN A 1
wait seats
start
click 5 7
click 5 6
click 4 8
click 4 7
wait moves 2
leave
SCRIPT
(cd q1 && timeout 30 "$bin/korvel4-script" script.txt > ../d1.out 2>&1) || fail "A's script failed"
wait "$c" || fail "C's script failed"
grep -q '^message "手番が違います" ' d1.out || fail "the move out of turn was not refused"
! grep -q '手番が違います' d3.out || fail "the other player saw the refusal"
grep -q '^move 1 5 7 5 6 11 11 0$' d3.out || fail "the other player did not see the move"
echo "a move out of turn is refused to its player alone"

# A join the authority refuses ends the script with the authority's reason.
printf 'join 127.0.0.1 %s NOSUCHROOM X 1\n' "$port" > nojoin.txt
status=0
timeout 30 "$bin/korvel4-script" nojoin.txt > nojoin.out 2>&1 || status=$?
[ "$status" = 2 ] || fail "a refused join ended with $status"
grep -q '^error: line 1: the authority refused the join: .' nojoin.out ||
  fail "the refused join was not told with the authority's reason"
echo "a refused join ends the script with the reason"

# A script that runs past its bounds after the join stops at the line it reached.
start_server --room BOUNDED --people 1
mkdir -p b1
{ printf 'join 127.0.0.1 %s BOUNDED A 1\n' "$port"; head -c 70000 /dev/zero | tr '\0' '#'
  printf '\ndump\n'; } > b1/script.txt
status=0
(cd b1 && timeout 30 "$bin/korvel4-script" script.txt > ../b1.out 2>&1) || status=$?
[ "$status" = 2 ] || fail "a line past the bound after the join ended with status $status"
grep -q '^error: line 2: the script has a line longer than 65536 bytes$' b1.out ||
  fail "no error for the line past the bound"
echo "a network script past its bounds stops with an error"
