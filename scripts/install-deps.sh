#!/usr/bin/env bash
# Installs, from Debian's packages, everything that building, testing and running need.
# Returns at once when all of it is present.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-websockets-dev libsdl2-mixer-dev fonts-ipafont-mincho fonts-noto-cjk qt6-translations-l10n
  xvfb xauth xdotool x11-utils haproxy python3
  desktop-file-utils appstream lintian dpkg-dev file man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
