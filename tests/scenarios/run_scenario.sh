#!/usr/bin/env bash
# Runs one scenario through korvel4-script in a fresh folder and compares what it printed
# (and, where given, its error output, exit status, and the settings file and the window's
# options file it left) with
# the expected files beside the script.
#   run_scenario.sh RUNNER SCENARIO_DIR NAME
set -u
runner=$1 dir=$2 name=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ini="Korvel4人将棋.ini"
options="korvel4-options.ini"

[ -f "$dir/$name.ini" ] && cp "$dir/$name.ini" "$work/$ini"
if [ -f "$dir/$name.setup" ]; then (cd "$work" && bash "$dir/$name.setup") || exit 1; fi

(cd "$work" && "$runner" "$dir/$name.script" >"$work/out.txt" 2>"$work/err.txt")
status=$?
# The session's folder differs on every run: it is written WORKDIR in the expected files.
sed -i "s|$work|WORKDIR|g" "$work/out.txt"
want_status=0
[ -f "$dir/$name.status" ] && want_status=$(cat "$dir/$name.status")

fail=0
if ! diff -u "$dir/$name.out" "$work/out.txt"; then fail=1; fi
if [ -f "$dir/$name.err" ] && ! diff -u "$dir/$name.err" "$work/err.txt"; then fail=1; fi
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"; cat "$work/err.txt"; fail=1
fi
if [ -f "$dir/$name.ini-after" ] && ! cmp "$dir/$name.ini-after" "$work/$ini"; then
  echo "settings file differs:"; od -c "$work/$ini" | head -20; fail=1
fi
if [ -f "$dir/$name.options-after" ] && ! cmp "$dir/$name.options-after" "$work/$options"; then
  echo "options file differs:"; cat "$work/$options"; fail=1
fi
exit $fail
