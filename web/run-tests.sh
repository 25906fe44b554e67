#!/bin/sh
# Runs the editor page's browser tests with Debian's Chromium and the locked playwright-core,
# both installed by scripts/install-deps.sh. Screenshots go to $VELMO_WEB_ARTIFACTS (default:
# web/test-results).
set -eu
cd "$(dirname "$0")"
chromium=${VELMO_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ] || [ ! -d node_modules/playwright-core ]; then
  echo "run-tests.sh: $chromium or web/node_modules/playwright-core is missing; run scripts/install-deps.sh first" >&2
  exit 1
fi
exec node --test tests/
