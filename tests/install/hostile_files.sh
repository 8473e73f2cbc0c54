#!/usr/bin/env bash
# Files that are not what they should be, beside the headless runner (which keeps its files
# in the current folder, as the portable program does). Each case must end promptly, with
# status 0, the player told only what the game tells: a pipe or a huge file as the settings
# file, a link to /dev/zero or a pipe as a wave file, an oversized wave file.
#   hostile_files.sh RUNNER RESOURCES
set -u
runner=$(realpath "$1") resources=$(realpath "$2")
ini="Korvel4人将棋.ini"
defaults=$'移動指導=OK\r\nｱｲｺﾝ表示=OK\r\n背景画=緑\r\nBGM=NG\r\n'
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail=0

# A fresh folder with the game's data files, prepared by the commands given, then one run.
# The run's output is left in $out.
run_case() {
  local name=$1 setup=$2
  dir="$root/$name"
  mkdir -p "$dir"
  cp "$resources"/*.wav "$resources/Korvel4人将棋.htm" "$dir/"
  (cd "$dir" && eval "$setup") || { echo "$name: setting up failed"; fail=1; return 1; }
  out=$(cd "$dir" && printf 'dump\n' | timeout 20 "$runner" 2>&1)
  local status=$?
  if [ "$status" = 124 ]; then echo "$name: still running after 20 s"; fail=1; return 1; fi
  if [ "$status" != 0 ]; then echo "$name: status $status"; echo "$out"; fail=1; return 1; fi
  return 0
}

check() {  # check NAME DESCRIPTION COMMAND...
  local name=$1 what=$2
  shift 2
  if ! "$@"; then echo "$name: $what"; echo "$out" | head -5; fail=1; fi
}

no_warning() { ! grep -q '^warning ' <<<"$out"; }
holds_defaults() { cmp -s "$dir/$ini" <(printf '%s' "$defaults"); }

if run_case pipe_as_settings 'mkfifo "$ini"'; then
  check pipe_as_settings "a warning was shown" no_warning
  check pipe_as_settings "the pipe was replaced" test -p "$dir/$ini"
fi

if run_case sparse_settings 'truncate -s 100M "$ini"'; then
  check sparse_settings "a warning was shown" no_warning
  check sparse_settings "the damaged file was not replaced by the defaults" holds_defaults
fi

if run_case zero_as_wave 'rm BGM.wav && ln -s /dev/zero BGM.wav && rm 終局.wav && mkfifo 終局.wav'; then
  check zero_as_wave "a warning was shown" no_warning
  check zero_as_wave "the link was touched" test "$(readlink "$dir/BGM.wav")" = /dev/zero
fi

if run_case oversized_wave 'truncate -s 65M 駒打音.wav'; then
  want='warning "Korvel4人将棋.dll" "「駒打音.wav」は正しいウェーブ ファイルではありません。"'
  check oversized_wave "no or another warning" test "$(grep '^warning ' <<<"$out")" = "$want"
  check oversized_wave "the wave file changed" test "$(stat -c %s "$dir/駒打音.wav")" = 68157440
fi

exit $fail
