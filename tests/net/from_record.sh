#!/usr/bin/env bash
# korvel4-server --room CODE --from FILE on 127.0.0.1 only: a missing, damaged or finished
# record (or a folder) stops the server at start with an error naming the file; a good one
# opens the room where the record stands, the log gives the page's links, and a watcher
# (korvel4-client --watch, the runner's join with seat 0) sees it. Bounded by timeouts.
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "$1"; cat "$work"/*.out 2>/dev/null; exit 1; }

refused() {  # FILE WORDS: the server stops at once, naming the file and saying why
  local status=0
  timeout 20 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --room FROMFILE --from "$1" \
    > "$work/refused.out" 2>&1 || status=$?
  [ "$status" = 2 ] || fail "$1: exit $status, not 2"
  grep -q -- "$1" "$work/refused.out" || fail "$1 is not named"
  grep -q -- "$2" "$work/refused.out" || fail "$1: no '$2'"
  ! grep -q "listening" "$work/refused.out" || fail "$1: the server started"
}

good="$work/position.k4k"
cat > "$good" <<'K4K'
Korvel4人将棋 棋譜 1
対局: COM対局
下: 人
左: COM
上: 人
右: COM
レベル: 1
盤: ・ ・ ・ ・ 上王 ・ ・ ・ ・
盤: ・ ・ ・ ・ ・ ・ ・ ・ ・
盤: ・ ・ ・ ・ ・ ・ ・ ・ ・
盤: ・ ・ 下銀 ・ ・ ・ ・ ・ ・
盤: 左王 ・ ・ ・ 下と ・ ・ ・ 右王
盤: ・ ・ ・ ・ ・ ・ ・ ・ ・
盤: ・ ・ ・ ・ ・ ・ ・ ・ ・
盤: ・ ・ ・ ・ ・ ・ ・ ・ ・
盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・
持駒: 下 歩1 銀0 金2 飛0
手番: 下
K4K
{ cat "$good"; echo "1 下 ７三銀成(99)"; } > "$work/damaged.k4k"
# The same armies with 下's tokin beside 左's king, which it takes: a game that has ended.
sed 's/^盤: 左王 ・ ・ ・ 下と/盤: 左王 下と ・ ・ ・/' "$good" > "$work/ended.k4k"
echo "1 下 ９五と(85)" >> "$work/ended.k4k"
refused "$work/missing.k4k" "missing.k4k"
refused "$work/damaged.k4k" "19行目"
refused "$work" "$work"
refused "$work/ended.k4k" "has ended"

timeout 60 "$bin/korvel4-server" --listen 127.0.0.1 --port 0 --room FROMFILE --from "$good" \
  > "$work/server.out" 2>&1 &
server_pid=$!
port=
# The port is read once the log is whole (its last line, the watch link, is there): read
# before, it could be missing from a log that was completed between the two reads.
for _ in $(seq 300); do
  grep -q "^link watch" "$work/server.out" && break
  sleep 0.05
done
port=$(sed -n 's/^listening on port \([0-9]*\).*/\1/p' "$work/server.out")
[ -n "$port" ] || fail "the server did not start"
# The record's people (下 and 上) get links, and so does watching.
grep -qx "link seat 1 http://127.0.0.1:$port/?room=FROMFILE&seat=1" "$work/server.out" || fail "no link for seat 1"
grep -qx "link seat 3 http://127.0.0.1:$port/?room=FROMFILE&seat=3" "$work/server.out" || fail "no link for seat 3"
! grep -q "link seat 2" "$work/server.out" || fail "a link for the computer's seat"
grep -qx "link watch http://127.0.0.1:$port/?room=FROMFILE&watch=1" "$work/server.out" || fail "no watch link"
timeout 20 "$bin/korvel4-client" --port "$port" --room FROMFILE --watch --max-turns 0 \
  > "$work/watch.out" 2>&1 || fail "the watcher failed"
grep -q "^welcome seat 0 room FROMFILE" "$work/watch.out" || fail "the watcher was not welcomed"
# The runner watches too (SEAT 0).
mkdir -p "$work/runner"
printf 'join 127.0.0.1 %s FROMFILE Mio 0\nleave\n' "$port" > "$work/runner/script.txt"
(cd "$work/runner" && timeout 20 "$bin/korvel4-script" script.txt > "$work/runner.out" 2>&1) ||
  fail "the runner could not watch"
grep -q "^joined FROMFILE 0" "$work/runner.out" || fail "the runner was not welcomed"
echo ok
