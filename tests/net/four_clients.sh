#!/usr/bin/env bash
# Whole games through the real programs on 127.0.0.1 only: korvel4-server with a fixed
# room, scripted korvel4-client players; every client's record must equal the
# authority's. Then a game stopped by SIGTERM must leave its record. Bounded by timeouts.
set -euo pipefail
bin=$1
work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

start_server() {  # args for the server; sets server_pid and port
  : > "$work/server.out"
  timeout 60 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --pause 0 --records "$work/records" "$@" \
    > "$work/server.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do
    port=$(sed -n 's/^listening on port \([0-9]*\).*/\1/p' "$work/server.out")
    [ -n "$port" ] && return 0
    sleep 0.05
  done
  echo "the server did not start"; cat "$work/server.out"; exit 1
}

mkdir -p "$work/records"

# Four people, each a scripted client with its own way of choosing.
start_server --room FOURPLAY --people 1234
pids=()
for seat in 1 2 3 4; do
  extra=(); [ $seat = 1 ] && extra=(--start)
  timeout 50 "$bin/korvel4-client" --port "$port" --room FOURPLAY --seat $seat --name "P$seat" \
    --play $(( seat % 2 )) --seed $seat --max-turns 400 --record "$work/c$seat.json" "${extra[@]}" \
    > "$work/c$seat.out" 2>&1 &
  pids+=($!)
done
for p in "${pids[@]}"; do wait "$p" || { echo "a client failed"; cat "$work"/c*.out; exit 1; }; done
kill -TERM "$server_pid"; wait "$server_pid" || true; server_pid=
authority=$(ls "$work"/records/*.json | head -1)
for seat in 1 2 3 4; do
  cmp "$work/c$seat.json" "$authority" || { echo "client $seat differs from the authority"; exit 1; }
done
echo "four clients agree with the authority ($authority)"
rm -f "$work"/records/*

# Two people and two computers; the server is stopped mid-game and keeps the game.
start_server --room HALFWAY --people 13 --level 1
timeout 30 "$bin/korvel4-client" --port "$port" --room HALFWAY --seat 1 --name A --start \
  --max-turns 8 --record "$work/a.json" > "$work/a.out" 2>&1 &
a=$!
timeout 30 "$bin/korvel4-client" --port "$port" --room HALFWAY --seat 3 --name C --play 0 \
  --max-turns 1000 --timeout 20 > "$work/c.out" 2>&1 &
c=$!
wait $a
kill -TERM "$server_pid"; wait "$server_pid" || true; server_pid=
wait $c || true
grep -q "saved .*unfinished" "$work/server.out" || { echo "no record saved on SIGTERM"; cat "$work/server.out"; exit 1; }
grep -q "the authority has gone" "$work/c.out" || { echo "client C was not told"; cat "$work/c.out"; exit 1; }
echo "the game in progress was saved on SIGTERM"
