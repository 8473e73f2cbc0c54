#!/usr/bin/env bash
# What the tools are given to read when it is not what they read: a device, a folder, a
# pipe nobody writes to, a missing file, an endless line, an endless stream, a sparse
# file, bytes that are no text. Each case ends by itself (a bound of 60 s marks a hang)
# with a clear message and status 2; a pipe with a writer on standard input still works.
#   hostile_inputs.sh RUNNER MATCH
set -u
runner=$(realpath "$1") match=$(realpath "$2")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cd "$root" || exit 1
fail=0

# check NAME STATUS PATTERN COMMAND...: the command's status, and a line of what it wrote
# on standard error holding PATTERN (a fixed string; "" for none). Its output is left in
# $root/out and $root/err.
check() {
  local name=$1 want=$2 pattern=$3
  shift 3
  timeout 60 "$@" >"$root/out" 2>"$root/err"
  local status=$?
  err=$(cat "$root/err")
  if [ "$status" = 124 ]; then echo "$name: still running after 60 s"; fail=1; return; fi
  if [ "$status" != "$want" ]; then echo "$name: status $status, expected $want"; echo "$err" | head -3; fail=1; fi
  if [ -n "$pattern" ] && ! grep -qF -- "$pattern" "$root/err"; then echo "$name: no '$pattern' in:"; echo "$err" | head -3; fail=1; fi
}
# The same, the command's standard input from FILE.
check_in() {
  local file=$1
  shift
  check "$@" <"$file"
}
# Nothing but printable text in what a tool wrote: no byte of the file echoed raw.
printable() {
  if LC_ALL=C grep -q '[^[:print:][:space:]]' "$root/err"; then echo "$1: raw bytes in the message"; fail=1; fi
}

mkdir folder
mkfifo fifo
truncate -s 1G sparse
head -c 65536 /dev/zero | tr '\0' '#' >long_comment
printf '\ndump\n' >>long_comment
{ head -c 65537 /dev/zero | tr '\0' '#'; printf '\ndump\n'; } >too_long

# --- korvel4-script: FILE must be a regular file; standard input is bounded ------------------
check script_device 2 "/dev/zero is not a regular file" "$runner" /dev/zero
check script_folder 2 "folder is a folder, not a script" "$runner" folder
check script_missing 2 "cannot read missing: No such file or directory" "$runner" missing
check script_fifo 2 "fifo is not a regular file" "$runner" fifo
check script_sparse 2 "error: line 1: the script has a line longer than 65536 bytes" "$runner" sparse
check_in /dev/zero script_zero_input 2 "error: line 1: the script has a line longer than 65536 bytes" "$runner"
check_in folder script_folder_input 2 "error: line 1: the script cannot be read" "$runner"
check script_endless_input 2 "the script is longer than 16777216 bytes" bash -c "yes '#' | '$runner'"
check script_line_over_bound 2 "error: line 1: the script has a line longer than 65536 bytes" "$runner" too_long
# Within the bounds all is as before: a line of exactly the bound, a last line without an
# end, a script coming through a pipe with a writer.
check script_line_at_bound 0 "" "$runner" long_comment
grep -q '^state ' "$root/out" || { echo "script_line_at_bound: no dump"; fail=1; }
check script_no_last_end 0 "" bash -c "printf 'dump' | '$runner'"
grep -q '^state ' "$root/out" || { echo "script_no_last_end: no dump"; fail=1; }
(printf 'dump\n' >fifo &)
check_in fifo script_fifo_input 0 "" "$runner"
grep -q '^state ' "$root/out" || { echo "script_fifo_input: no dump"; fail=1; }

# --- korvel4-match: the openings list and the weights files ---------------------------------
game=(--a 4 --b 3 --games 1 --seed 1 --a-nodes 1000)
check openings_device 2 "--openings-file: /dev/zero is not a regular file" "$match" "${game[@]}" --openings-file /dev/zero
check openings_folder 2 "--openings-file: folder is not a regular file" "$match" "${game[@]}" --openings-file folder
check openings_fifo 2 "--openings-file: fifo is not a regular file" "$match" "${game[@]}" --openings-file fifo
check openings_missing 2 "--openings-file: missing does not exist" "$match" "${game[@]}" --openings-file missing
check openings_sparse 2 "--openings-file: sparse has a line longer than 4096 bytes (line 1)" "$match" "${game[@]}" --openings-file sparse
printf '1 8 0\n1 8 \xff\x1b[2J\n' >openings
check openings_bad_bytes 2 "openings: line 2: bad line '1 8 \\xff\\x1b[2J'" "$match" "${game[@]}" --openings-file openings
printable openings_bad_bytes

: >empty.eval
check eval_empty 2 "--a-eval: empty.eval: no weights in it" "$match" "${game[@]}" --a-eval empty.eval
printf '# nothing but a comment\n' >comment.eval
check eval_comment_only 2 "--b-eval: comment.eval: no weights in it" "$match" "${game[@]}" --b-eval comment.eval
printf '\xef\xbb\xbftempo 21\n' >bom.eval
check eval_bom 0 "" "$match" --a-eval bom.eval --print-eval
printf 'tempo 5\nnear 0 5 \xe7\x8e \xff\x1b[31m\n' >bytes.eval
check eval_bad_bytes 2 "bytes.eval: line 2: '\\xe7\\x8e' is not a number in -150..150" "$match" "${game[@]}" --a-eval bytes.eval
printable eval_bad_bytes
printf 'board 0 100 480 560 40000 0 560 560 1250\n' >large.eval
check eval_out_of_range 2 "large.eval: line 1: '40000' is not a number in -20000..20000" "$match" "${game[@]}" --a-eval large.eval
check eval_sparse 2 "--a-eval: sparse is too large" "$match" "${game[@]}" --a-eval sparse
check eval_fifo 2 "--a-eval: fifo is not a file" "$match" "${game[@]}" --a-eval fifo

exit $fail
