#!/usr/bin/env bash
# Runs the browser tests (tests/web/*.test.mjs) against the build folder given: Debian's
# Chromium driven by playwright-core from tests/web/node_modules (installed by `make test`'s
# set-up, scripts/install-deps.sh). Skipped (77) when Chromium, Node.js or the driver is
# missing. Only 127.0.0.1 is used; each test file is bounded in time.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
chromium=${CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ] || ! command -v node >/dev/null || [ ! -d "$here/node_modules/playwright-core" ]; then
  echo "skipped: needs $chromium, node and tests/web/node_modules (make deps)"
  exit 77
fi
cd "$here"
shift
files=("$@")
[ ${#files[@]} -gt 0 ] || files=(*.test.mjs)
# A home of its own: nothing of the user's browser profile or caches is touched.
export HOME=$(mktemp -d)
trap 'rm -rf "$HOME"' EXIT
KORVEL4_BUILD="$build" CHROMIUM="$chromium" \
  exec timeout 300 node --test --test-concurrency=1 --test-timeout=150000 "${files[@]}"
