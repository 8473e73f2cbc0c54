#!/bin/bash
# korvel4-engine on a pipe: garbage, an endless line, illegal moves, a last line without
# its end; every bad line gets its error and the engine answers what follows.
set -u
engine=$1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
{
  printf 'hello\n'
  printf '\x00\x01garbage \xff\xfe\n'
  head -c 200000 /dev/zero | tr '\0' 'x'
  printf '\n'
  printf 'position startpos moves 5756 1111\n'
  printf 'go nodes 500\n'
  printf 'position startpos moves 5756\n'
  printf 'go nodes 2000'
} | timeout 60 "$engine" >"$out"
rc=$?
fail() { echo "FAIL: $*"; cat "$out"; exit 1; }
[ $rc -eq 0 ] || fail "exit status $rc"
grep -qx 'hello ok' "$out" || fail "no handshake"
[ "$(grep -c '^error ' "$out")" -eq 4 ] || fail "not four errors"
grep -q "^error unknown command '" "$out" || fail "garbage not refused"
grep -q '^error a line longer than 65536 bytes' "$out" || fail "long line not refused"
grep -q "^error position: move 2 '1111'" "$out" || fail "illegal move not refused"
grep -q '^error go: no position' "$out" || fail "go without a position"
[ "$(grep -c '^bestmove ' "$out")" -eq 1 ] || fail "not one answer"
# The output is text: nothing but printable ASCII.
LC_ALL=C grep -q '[^ -~]' "$out" && fail "unprintable bytes in the output"
# quit while thinking answers and ends at once, with its input still open.
dir=$(mktemp -d)
trap 'rm -f "$out"; rm -rf "$dir"' EXIT
mkfifo "$dir/in"
timeout 20 "$engine" <"$dir/in" >"$out" &
pid=$!
exec 3>"$dir/in"
printf 'go infinite\n' >&3
sleep 0.3
printf 'quit\n' >&3
wait $pid
rc=$?
exec 3>&-
[ $rc -eq 0 ] || fail "quit during a search: exit status $rc"
grep -q '^bestmove ' "$out" || fail "quit during a search gave no answer"
echo ok
