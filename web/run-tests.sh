#!/bin/sh
# Runs the editor page's browser tests, installing what is missing first:
# Debian's Chromium and the pinned playwright-core (no browser download).
# Screenshots go to $VELMO_WEB_ARTIFACTS (default: web/test-results).
set -eu
cd "$(dirname "$0")"

if [ ! -x /usr/bin/chromium ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "run-tests.sh: /usr/bin/chromium is missing (apt-get install chromium as root)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq chromium >/dev/null
fi

if [ ! -d node_modules/playwright-core ]; then
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
fi

exec node --test tests/
