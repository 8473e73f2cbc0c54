#!/usr/bin/env bash
# The installed program: installs the build into a scratch DESTDIR (prefix /usr, as the
# package does), checks the tree and validates the desktop entry and the metainfo, then
# starts the installed program twice under a virtual X server from an unrelated folder with
# a scratch home. The first start must create the settings file in the XDG folder with the
# defaults; the second, with the music switched on in that file, must play the installed
# BGM.wav. Neither may show a warning box, leave anything in its current folder or change
# the install tree. Exit 77 (skipped) when a tool is missing.
#   install_tree.sh BUILD_DIR
set -u
build=$(realpath "$1")
for tool in xvfb-run xdotool desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dest=$root/dest
id=org.korvel.korvel4
ini="Korvel4人将棋.ini"
fail=0
problem() { echo "$*"; fail=1; }

DESTDIR=$dest cmake --install "$build" --prefix /usr >"$root/install.log" 2>&1 ||
  { cat "$root/install.log"; exit 1; }

# Exactly these files: the program and what it needs, nothing of the tests or tools.
expected=$(LC_ALL=C sort "$(dirname "$0")/installed_files.txt")
actual=$(cd "$dest" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] ||
  problem "the install tree differs:" "$(diff <(echo "$expected") <(echo "$actual"))"
[ -x "$dest/usr/games/korvel4" ] || problem "the program is not executable"

out=$(desktop-file-validate "$dest/usr/share/applications/$id.desktop" 2>&1)
[ $? = 0 ] && [ -z "$out" ] || problem "desktop-file-validate: $out"
grep -qx 'Name\[ja\]=Korvel 四人将棋' "$dest/usr/share/applications/$id.desktop" ||
  problem "the desktop entry has no Japanese name"
out=$(appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml" 2>&1)
[ $? = 0 ] && ! grep -qE '^[EW]:' <<<"$out" || problem "appstreamcli validate: $out"
for size in 48 64 128 256; do
  file -b "$dest/usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
    grep -q "PNG image data, $size x $size" || problem "the $size-pixel icon is not $size pixels"
done
gzip -t "$dest/usr/share/man/man6/korvel4.6.gz" || problem "the manual page is no gzip file"
if command -v man >/dev/null; then
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l \
        "$dest/usr/share/man/man6/korvel4.6.gz" 2>&1 >/dev/null)
  [ -z "$out" ] || problem "the manual page: $out"
fi

# The installed program, started like a player would.
snapshot() { (cd "$dest" && find . -printf '%p %s %m %T@\n' | LC_ALL=C sort); }
before=$(snapshot)
home=$root/home elsewhere=$root/elsewhere
mkdir -p "$home" "$elsewhere"

cat >"$root/inside.sh" <<'INSIDE'
set -u
program=$1 audio=$2
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$audio "$program" 2>"$audio.err" &
pid=$!
# The first window is the game's, or the warning box that the load shows before it.
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Korvel' | head -n 1)
if [ -z "$window" ]; then echo "no window appeared"; kill "$pid"; exit 1; fi
name=$(xdotool getwindowname "$window")
case "$name" in
  Korvel\ *) ;;
  *) echo "a box titled \"$name\" appeared instead of the game"; kill "$pid"; exit 1 ;;
esac
# The window carries the program's icon (256 pixels square) for task bars.
if command -v xprop >/dev/null &&
   ! xprop -id "$window" -f _NET_WM_ICON 32c _NET_WM_ICON | grep -q '= 256, 256,'; then
  echo "the window has no icon"; kill "$pid"; exit 1
fi
sleep 1  # time for the music to be heard, if it plays
if xdotool search --onlyvisible --name '\.dll$' >/dev/null; then
  echo "a warning box appeared"; kill "$pid"; exit 1
fi
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" Escape
xdotool key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then echo "still running after Esc"; kill "$pid"; exit 1; fi
wait "$pid"
INSIDE

start() {  # start AUDIO_FILE: one run, in the unrelated folder, with the scratch home
  (cd "$elsewhere" && env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$home" \
     xvfb-run -a -s '-screen 0 1024x768x24' bash "$root/inside.sh" "$dest/usr/games/korvel4" "$1")
}
# How many different byte values the sound output holds: silence has one or two.
loudness() { head -c 400000 "$1" 2>/dev/null | od -An -v -tx1 | tr -s ' ' '\n' | sort -u | wc -l; }

start "$root/audio1.raw" || problem "the first start failed ($(cat "$root/audio1.raw.err" 2>/dev/null))"
settings=$home/.config/korvel4/$ini
if cmp -s "$settings" <(printf '移動指導=OK\r\nｱｲｺﾝ表示=OK\r\n背景画=緑\r\nBGM=NG\r\n'); then
  :
else
  problem "no settings file with the defaults in $settings: $(ls -laR "$home")"
fi
[ -d "$home/.local/share/korvel4" ] || problem "no folder for the player's data"
[ -z "$(ls -A "$elsewhere")" ] || problem "files were left in the current folder: $(ls -A "$elsewhere")"
[ "$(loudness "$root/audio1.raw")" -le 4 ] || problem "sound was heard with the music off"

# The music switched on, as the player would from the menu: the installed BGM.wav plays,
# and the options are read from the XDG folder again.
[ -f "$settings" ] && sed -i 's/^BGM=NG/BGM=OK/' "$settings"
kept=$(cat "$settings" 2>/dev/null)
start "$root/audio2.raw" || problem "the second start failed ($(cat "$root/audio2.raw.err" 2>/dev/null))"
[ "$(loudness "$root/audio2.raw")" -gt 64 ] || problem "the installed music was not heard"
[ "$(cat "$settings" 2>/dev/null)" = "$kept" ] || problem "the options did not survive the restart"
[ -z "$(ls -A "$elsewhere")" ] || problem "files were left in the current folder: $(ls -A "$elsewhere")"

[ "$(snapshot)" = "$before" ] || problem "the install tree changed: $(diff <(echo "$before") <(snapshot))"
exit $fail
