#!/bin/bash
# korvel4-tune end to end on a few games: a weights file korvel4-match reads, written
# through a rename; bad options and targets refused before any game.
set -u
tune=$1
match=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
"$tune" --games 4 --seed 3 --nodes 1500 --passes 3 --out "$dir/w.txt" >"$dir/out" 2>"$dir/err" ||
  { cat "$dir/err"; fail "exit status"; }
grep -q '^{"games":4,"decided":' "$dir/out" || fail "no summary: $(cat "$dir/out")"
grep -q '^board ' "$dir/w.txt" || fail "no weights written"
ls -A "$dir" | grep -q korvel4-tune && fail "a temporary file left behind"
"$match" --a 4 --b 4 --a-eval "$dir/w.txt" --a-nodes 500 --b-nodes 500 --games 2 --seed 1 \
  >"$dir/out" 2>/dev/null || fail "korvel4-match refused the weights"
grep -q '"games":2,' "$dir/out" || fail "no match with the weights"
# Refused before any game: a folder as the target, a missing folder, a bad start file.
"$tune" --games 4 --seed 3 --out "$dir" 2>/dev/null && fail "a folder as --out"
"$tune" --games 4 --seed 3 --out "$dir/no/such/w.txt" 2>/dev/null && fail "a missing folder"
"$tune" --games 4 --seed 3 --out "$dir/x" --from /dev/zero 2>/dev/null && fail "--from a device"
"$tune" --games 0 --seed 3 --out "$dir/x" 2>/dev/null && fail "--games 0"
"$tune" --games 4 --out "$dir/x" 2>/dev/null && fail "no --seed"
[ -e "$dir/x" ] && fail "a refused run wrote its target"
echo ok
