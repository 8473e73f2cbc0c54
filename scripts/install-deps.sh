#!/usr/bin/env bash
# Installs, from Debian's packages, everything that building, testing and running need.
# Returns at once when all of it is present. `--tests` adds what only the tests need (the
# proxy of the sharded-server test, the browser of the page's tests and its driver), so that
# `make run` never installs a browser. The browser tests' driver (playwright-core,
# pinned in tests/web/package-lock.json) comes from the npm registry with the machine's
# Node.js when tests/web/node_modules is missing; it never downloads a browser: the tests
# drive Debian's chromium.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-websockets-dev libsdl2-mixer-dev fonts-ipafont-mincho fonts-noto-cjk qt6-translations-l10n
  xvfb xauth xdotool x11-utils python3
  desktop-file-utils appstream lintian dpkg-dev file man-db
)
tests=0
if [ "${1:-}" = "--tests" ]; then
  tests=1
  packages+=(haproxy chromium)
  command -v npm >/dev/null || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

web="$(cd "$(dirname "$0")/.." && pwd)/tests/web"
if [ $tests -eq 1 ] && [ ! -d "$web/node_modules/playwright-core" ] && command -v npm >/dev/null; then
  echo "Installing the browser tests' driver (npm ci in tests/web)"
  (cd "$web" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1 \
    npm ci --no-audit --no-fund --ignore-scripts)
fi
