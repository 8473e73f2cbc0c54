#!/usr/bin/env bash
# Starts the real program on a virtual X server, waits for its window, presses Esc and
# expects it to end by itself with status 0. Exit 77 (skipped) without xvfb-run/xdotool.
set -u
program=$1
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done

# A folder of its own, so that the settings file it writes beside itself is a scratch one.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/korvel4"

cat >"$work/inside.sh" <<'INSIDE'
set -u
SDL_AUDIODRIVER=dummy "$1/korvel4" &
pid=$!
window=$(timeout 20 xdotool search --sync --name 'Korvel' | head -n 1)
if [ -z "$window" ]; then echo "the window never appeared"; kill "$pid"; exit 1; fi
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" Escape
xdotool key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then echo "still running after Esc"; kill "$pid"; exit 1; fi
wait "$pid"
status=$?
[ -f "$1/Korvel4人将棋.ini" ] || { echo "no settings file was written beside the program"; exit 1; }
echo "ended with status $status"
exit "$status"
INSIDE
xvfb-run -a -s '-screen 0 1024x768x24' bash "$work/inside.sh" "$work"
