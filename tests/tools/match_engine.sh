#!/bin/bash
# korvel4-match with engine programs: korvel4-engine plays exactly the games level 4 plays
# in the match itself, and an engine that fails loses its games by forfeit, said why.
set -u
match=$1
engine=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The same games, the same summary, whichever side the engine plays and at what budget.
run() { "$match" "$@" --games 4 --seed 5 --jobs 2 2>"$dir/err" >"$dir/out" || fail "exit status for $*"
        sort "$dir/err" | sed 's/(engine)/(4)/'; cat "$dir/out"; }
[ "$(run --a 4 --b 3 --a-nodes 3000)" == "$(run --a-engine "$engine" --b 3 --a-nodes 3000)" ] ||
  fail "the engine for team A played other games"
[ "$(run --a 4 --b 4 --a-nodes 3000 --b-nodes 5000)" == \
  "$(run --a-engine "$engine" --b-engine "$engine" --a-nodes 3000 --b-nodes 5000)" ] ||
  fail "engines for both teams played other games"
grep -q '"games":4,' "$dir/out" || fail "no summary"

# Engines that fail: each game is lost by the failing team, with the reason on its line.
forfeit() {  # expected-reason command...
  local want=$1; shift
  timeout 120 "$match" "$@" --games 2 --seed 5 --jobs 2 2>"$dir/err" >"$dir/out" || fail "exit status for $*"
  [ "$(grep -c "forfeit ($want" "$dir/err")" -eq 2 ] || { cat "$dir/err"; fail "not two forfeits: $want"; }
}
forfeit "A: no handshake: the engine ended" --a-engine "$dir/missing-engine" --b 3
grep -q '"b_wins":2,' "$dir/out" || fail "the missing engine's team did not lose"
forfeit "A: bestmove '1111': no piece on its origin" --b 3 \
  --a-engine "echo 'hello ok'; read x; read y; echo 'bestmove 1111'; sleep 5"
forfeit "B: bestmove '5958' is not legal: " --a 3 \
  --b-engine "echo 'hello ok'; read x; read y; echo 'bestmove 5958'; sleep 5"
forfeit "B: passed with a move to make" --a 3 \
  --b-engine "echo 'hello ok'; read x; read y; echo 'bestmove pass'; sleep 5"
forfeit "A: the engine answered: error go: no position" --b 3 \
  --a-engine "echo 'hello ok'; read x; read y; echo 'error go: no position'; sleep 5"
grep -q '"a_wins":0,"b_wins":2' "$dir/out" || fail "A's failing engine did not lose"

# Wrong options are refused before any game.
"$match" --a 4 --a-engine "$engine" --b 3 --games 2 --seed 1 2>/dev/null && fail "--a with --a-engine"
"$match" --a 4 --b 3 --b-engine "" --games 2 --seed 1 2>/dev/null && fail "an empty engine command"
"$match" --a 4 --b 3 --a-movetime 0 --games 2 --seed 1 2>/dev/null && fail "--a-movetime 0"
# A time a move instead of nodes, in the match and through the engine.
"$match" --a 4 --b-engine "$engine" --a-movetime 5 --b-movetime 5 --games 2 --seed 1 \
  2>"$dir/err" >"$dir/out" || fail "movetime match"
grep -q '"games":2,' "$dir/out" || fail "movetime match gave no summary"
grep -q forfeit "$dir/err" && fail "movetime match forfeited"
echo ok
