#!/usr/bin/env bash
# korvel4-analyze on what it is given: a record it can read gives one JSON line per move and
# the same lines every time; a missing file, a folder, a pipe, a device, a huge file, a
# damaged record and bytes that are no text each end by themselves with a message naming
# the file and a status other than 0, and print no line.
#   analyze_inputs.sh ANALYZE
set -u
analyze=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cd "$root" || exit 1
fail=0

# check NAME STATUS PATTERN COMMAND...: the command's status (ANY: anything but 0), and a
# line of what it wrote on standard error holding PATTERN (a fixed string; "" for none).
check() {
  local name=$1 want=$2 pattern=$3
  shift 3
  timeout 60 "$@" >"$root/out" 2>"$root/err"
  local status=$?
  if [ "$status" = 124 ]; then echo "$name: still running after 60 s"; fail=1; return; fi
  if [ "$want" = ANY ]; then
    if [ "$status" = 0 ]; then echo "$name: status 0"; fail=1; fi
    if [ -s "$root/out" ]; then echo "$name: printed lines:"; head -2 "$root/out"; fail=1; fi
  elif [ "$status" != "$want" ]; then
    echo "$name: status $status, expected $want"; head -3 "$root/err"; fail=1
  fi
  if [ -n "$pattern" ] && ! grep -qF -- "$pattern" "$root/err"; then
    echo "$name: no '$pattern' in:"; head -3 "$root/err"; fail=1
  fi
}

# A short game: four moves of the opening, then 下's rook takes nothing yet.
cat >game.k4k <<'REC'
Korvel4人将棋 棋譜 1
対局: COM対局
下: 人
左: COM
上: COM
右: COM
レベル: 4
1 下 ５六歩(57)
2 左 ６五歩(75)
3 上 ５四歩(53)
4 右 ４五歩(35)
5 下 ５五歩(56)
REC

check good 0 "" "$analyze" game.k4k --nodes 3000
lines=$(wc -l <"$root/out")
[ "$lines" = 5 ] || { echo "good: $lines lines, expected 5"; fail=1; }
head -1 "$root/out" | grep -q '^{"move":1,"seat":"下","played":"５六歩(57)","best":"[^"]*","before":-\?[0-9]*,"score":-\?[0-9]*,"loss":[0-9]*}$' ||
  { echo "good: first line is not as expected:"; head -1 "$root/out"; fail=1; }
tail -1 "$root/out" | grep -q '^{"move":5,"seat":"下","played":"５五歩(56)",' ||
  { echo "good: last line is not move 5:"; tail -1 "$root/out"; fail=1; }
cp "$root/out" first.txt
check again 0 "" "$analyze" --nodes 3000 game.k4k
cmp -s first.txt "$root/out" || { echo "again: another analysis of the same record"; fail=1; }

mkdir folder
mkfifo fifo
truncate -s 1G sparse
printf 'Korvel4人将棋 棋譜 1\n対局: 何か\n' >damaged.k4k
{ head -n 8 game.k4k; printf '2 左 ５五王(11)\n'; } >refused.k4k
printf '\xff\xfe\x00' >bytes.k4k
: >empty.k4k
ln -s folder link.k4k

check missing ANY "missing.k4k" "$analyze" missing.k4k
check folder ANY "folder: " "$analyze" folder
check link_to_folder ANY "link.k4k: " "$analyze" link.k4k
check fifo ANY "fifo: " "$analyze" fifo
check device ANY "/dev/zero: " "$analyze" /dev/zero
check huge ANY "sparse: " "$analyze" sparse
check damaged ANY "damaged.k4k: 2行目: " "$analyze" damaged.k4k
check refused ANY "refused.k4k: 9行目: " "$analyze" refused.k4k
check bytes ANY "bytes.k4k: " "$analyze" bytes.k4k
check empty ANY "empty.k4k: " "$analyze" empty.k4k
check no_file 2 "usage" "$analyze"
check two_files 2 "unexpected argument" "$analyze" game.k4k game.k4k
check nodes_zero 2 "--nodes takes a number" "$analyze" game.k4k --nodes 0
check nodes_word 2 "--nodes takes a number" "$analyze" game.k4k --nodes many
check nodes_missing 2 "--nodes takes a number" "$analyze" game.k4k --nodes
check nodes_huge 2 "--nodes takes a number" "$analyze" game.k4k --nodes 99999999999999999999
check unknown_flag 2 "unexpected argument '--fast'" "$analyze" game.k4k --fast
check help 0 "" "$analyze" --help

exit $fail
