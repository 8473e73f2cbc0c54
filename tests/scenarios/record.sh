#!/usr/bin/env bash
# Writes NAME.out (and .err, .status when not 0) from the current runner, for review
# before committing: record.sh RUNNER NAME...
set -u
runner=$1; shift
dir=$(cd "$(dirname "$0")" && pwd)
for name in "$@"; do
  work=$(mktemp -d)
  [ -f "$dir/$name.ini" ] && cp "$dir/$name.ini" "$work/Korvel4人将棋.ini"
  [ -f "$dir/$name.setup" ] && (cd "$work" && bash "$dir/$name.setup")
  (cd "$work" && "$runner" "$dir/$name.script" >"$dir/$name.out" 2>"$work/err")
  st=$?
  sed -i "s|$work|WORKDIR|g" "$dir/$name.out"
  if [ $st -ne 0 ]; then echo $st >"$dir/$name.status"; cp "$work/err" "$dir/$name.err"; fi
  rm -rf "$work"
done
