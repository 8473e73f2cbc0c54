#!/usr/bin/env bash
# Whole games through the real programs on 127.0.0.1 only: korvel4-server with a fixed
# room, scripted korvel4-client players. Every client's game record (.k4k) must equal the
# authority's and open in korvel4-script at the same position; a game stopped by SIGTERM
# must leave its record, and one whose authority is killed must stay with its players,
# both opened with `load` and played on. Bounded by timeouts.
set -euo pipefail
source "$(dirname "$0")/rig.sh"

start_server() {  # args for the server; sets server_pid and port
  : > "$work/server.out"
  timeout 60 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --records "$work/records" "$@" \
    > "$work/server.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 300); do
    port=$(sed -n 's/^listening on port \([0-9]*\).*/\1/p' "$work/server.out")
    [ -n "$port" ] && return 0
    sleep 0.05
  done
  echo "the server did not start"; cat "$work/server.out"; exit 1
}

# Two records of one game agree but for the date and time of the first move, which each
# side takes from its own clock.
same_game() { cmp <(grep -v '^開始日時: ' "$1") <(grep -v '^開始日時: ' "$2"); }
# A killed authority may have sent its last move to one player and not yet to the other:
# the two records then agree but for that one move line at the end of the longer.
same_game_but_the_last_move() {
  same_game "$1" "$2" > /dev/null 2>&1 && return 0
  local a b
  a=$(grep -c '' "$1"); b=$(grep -c '' "$2")
  if [ "$a" -gt "$b" ]; then set -- "$2" "$1"; fi
  [ $(( a - b )) = 1 ] || [ $(( b - a )) = 1 ] || return 1
  tail -n 1 "$2" | grep -q '^[0-9][0-9]* [下左上右] ' || return 1
  same_game "$1" <(head -n -1 "$2")
}

# The record opened by the runner's `load`: the position it stands at, then the same after
# the computer has played N more turns from it (the game goes on).
open_and_play() {  # RECORD N OUT
  local dir="$work/runner.$RANDOM"
  mkdir -p "$dir"
  printf 'load %s\ndump\ncomputer %s\ndump\n' "$1" "$2" > "$dir/script.txt"
  (cd "$dir" && timeout 30 "$bin/korvel4-script" script.txt > "$3" 2>&1) ||
    fail "korvel4-script could not open $1"
  ! grep -q '^message "棋譜"' "$3" || fail "the record $1 was refused: $(grep '^message' "$3")"
}
state_of() { sed -n '/^state /{p;q}' "$1"; }
board_of() { sed -n '/^state /,/^end$/{p;/^end$/q}' "$1"; }
moves_of() { sed -n 's/^state .* movenumber=\([0-9]*\) .*/\1/p' "$1" | sed -n "${2}p"; }

mkdir -p "$work/records"

# Four people, each a scripted client with its own way of choosing.
start_server --room FOURPLAY --people 1234 --pause 0
pids=()
for seat in 1 2 3 4; do
  extra=(); [ $seat = 1 ] && extra=(--start)
  name="P$seat"; [ $seat = 2 ] && name="𠮷田"  # a character outside the BMP is one of the 24
  timeout 50 "$bin/korvel4-client" --port "$port" --room FOURPLAY --seat $seat --name "$name" \
    --play $(( seat % 2 )) --seed $seat --max-turns 400 --record "$work/c$seat.k4k" "${extra[@]}" \
    > "$work/c$seat.out" 2>&1 &
  pids+=($!)
done
for p in "${pids[@]}"; do wait "$p" || fail "a client failed"; done
kill -TERM "$server_pid"; wait "$server_pid" || true; server_pid=
authority=$(ls "$work"/records/*.k4k | head -1)
[ -n "$authority" ] || fail "the authority saved no record"
open_and_play "$authority" 1 "$work/authority.dump"
for seat in 1 2 3 4; do
  same_game "$work/c$seat.k4k" "$authority" || fail "client $seat's record differs from the authority's"
  ! grep -q 'refused' "$work/c$seat.out" || fail "client $seat sent an intention that was refused"
  open_and_play "$work/c$seat.k4k" 1 "$work/c$seat.dump"
  cmp <(board_of "$work/c$seat.dump") <(board_of "$work/authority.dump") ||
    fail "client $seat's record opens at another position"
done
grep -q '^# 下: P1$' "$authority" || fail "the players' names are not in the record"
grep -q '^# 左: 𠮷田$' "$authority" || fail "the name 𠮷田 is not whole in the record"
# Names are counted by character: 25 are refused before anything is sent, 24 are not.
long=$(printf '𠮷%.0s' $(seq 25))
if timeout 10 "$bin/korvel4-client" --port "$port" --room FOURPLAY --seat 1 --name "$long" \
    > "$work/long.out" 2>&1; then fail "a name of 25 characters was taken"; fi
grep -q '^korvel4-client: --name: 1-24 characters' "$work/long.out" ||
  fail "a name of 25 characters: $(head -1 "$work/long.out")"
echo "four clients' records agree with the authority's ($(basename "$authority"), $(moves_of "$work/authority.dump" 1) moves)"
rm -f "$work"/records/*

# Two people and two computers; the server is stopped mid-game and keeps the game, which
# the runner opens (the people's seats as people, the computers' as COM) and plays on.
mkdir -p "$work/journal"
start_server --room HALFWAY --people 13 --level 1 --pause 0 --journal "$work/journal"
timeout 30 "$bin/korvel4-client" --port "$port" --room HALFWAY --seat 1 --name A --start \
  --max-turns 8 --record "$work/a.k4k" > "$work/a.out" 2>&1 &
a=$!
timeout 30 "$bin/korvel4-client" --port "$port" --room HALFWAY --seat 3 --name C --play 0 \
  --max-turns 1000 --timeout 20 --record "$work/c.k4k" > "$work/c.out" 2>&1 &
c=$!
wait $a
sleep 0.3  # the game now waits for A, who left
kill -TERM "$server_pid"; wait "$server_pid" || true; server_pid=
wait $c || true
grep -q "saved .*unfinished.k4k" "$work/server.out" || fail "no record saved on SIGTERM"
grep -q "the authority has gone" "$work/c.out" || fail "client C was not told"
grep -q '^closed サーバーを止めます' "$work/c.out" || fail "client C was not sent closed before the end"
# The journal stays as it was: a server started again with it takes the room back.
start_server --journal "$work/journal"
grep -q "1 rooms taken back" "$work/server.out" || fail "the journal did not keep the room over SIGTERM"
kill -TERM "$server_pid"; wait "$server_pid" || true; server_pid=
kept=$(ls "$work"/records/*-unfinished.k4k | head -1)
same_game "$work/c.k4k" "$kept" || fail "C's record differs from the one saved on SIGTERM"
open_and_play "$kept" 3 "$work/kept.dump"
grep -q '^kinds 1 2 1 2$' "$work/kept.dump" || fail "the seats' players were not kept"
before=$(moves_of "$work/kept.dump" 1); after=$(moves_of "$work/kept.dump" 2)
[ "$before" -ge 8 ] || fail "the record opened at move $before, not after the moves played"
[ "$after" -gt "$before" ] || fail "the game did not go on from the record"
echo "the game in progress was saved on SIGTERM and goes on from move $before"
rm -f "$work"/records/*

# The authority is killed mid-game and does not come back (each player tries twice to
# come back, then gives up): each keeps the game so far as a record, the two records
# agree, and the runner opens one and plays on.
start_server --room KILLED --people 13 --level 1 --pause 0.1
for seat in 1 3; do
  extra=(); [ $seat = 1 ] && extra=(--start)
  timeout 30 "$bin/korvel4-client" --port "$port" --room KILLED --seat $seat --name "K$seat" \
    --play 0 --seed $(( seat + 40 )) --timeout 25 --rejoin 2 --record "$work/k$seat.k4k" "${extra[@]}" \
    > "$work/k$seat.out" 2>&1 &
  eval "k$seat=\$!"
done
for _ in $(seq 200); do grep -q '^moved 6$' "$work/k3.out" && break; sleep 0.05; done
# The server itself, not the `timeout` that runs it (which would pass on no SIGKILL).
kill -9 "$(pgrep -P "$server_pid")"; wait "$server_pid" 2>/dev/null || true; server_pid=
for k in "$k1" "$k3"; do  # a client whose authority is gone ends with status 4
  status=0; wait "$k" || status=$?
  [ "$status" = 4 ] || fail "a client ended with status $status, not 4 (the authority gone)"
done
same_game_but_the_last_move "$work/k1.k4k" "$work/k3.k4k" || fail "the two players kept different games"
open_and_play "$work/k3.k4k" 2 "$work/k3.dump"
before=$(moves_of "$work/k3.dump" 1); after=$(moves_of "$work/k3.dump" 2)
[ "$before" -ge 6 ] || fail "the game was killed too early to tell ($before moves)"
[ "$after" -gt "$before" ] || fail "the game did not go on from the kept record"
echo "the authority killed at move $before: the players' records agree and go on"
