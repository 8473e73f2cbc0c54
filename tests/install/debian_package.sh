#!/usr/bin/env bash
# The Debian package: built with CPack into a scratch folder from the finished build, then
# looked into: its name, its control fields (the libraries' packages found from the
# program, the Mincho face, section games), exactly the installed files, and no lintian
# error or warning. Exit 77 (skipped) when a tool is missing.
#   debian_package.sh BUILD_DIR
set -u
build=$(realpath "$1")
for tool in cpack dpkg-deb dpkg-shlibdeps file lintian; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail=0
problem() { echo "$*"; fail=1; }

cpack --config "$build/CPackConfig.cmake" -B "$root" >"$root/cpack.log" 2>&1 ||
  { cat "$root/cpack.log"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$root/korvel4_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "no $deb:"; ls "$root"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korvel4 ] || problem "Package: $(field Package)"
[ "$(field Section)" = games ] || problem "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || problem "no Maintainer"
depends=$(field Depends)
for needed in fonts-ipafont-mincho libqt6widgets6 libqt6gui6 libsdl2-mixer-2.0-0 libc6; do
  grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || problem "Depends lacks $needed: $depends"
done
[ "$(field Description | sed -n 1p)" = "four-player team shogi" ] ||
  problem "Description: $(field Description)"

expected=$(LC_ALL=C sort "$(dirname "$0")/installed_files.txt")
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t --quoting-style=literal | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] ||
  problem "the package's files differ:" "$(diff <(echo "$expected") <(echo "$actual"))"

# Errors and warnings only: the remaining notes are listed in the README.
out=$(lintian --fail-on error,warning "$deb" 2>&1) ||
  problem "lintian: $out"
exit $fail
