#!/usr/bin/env bash
# Installs every package the build and the tests need (only what is missing): Debian packages
# through apt, including any further packages named as arguments, and the editor page's pinned
# test packages through npm into web/node_modules.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64 xvfb xauth
  googletest libgtest-dev libbenchmark-dev
  lv2-dev lilv-utils sordi jalv jackd2
  libsndfile1-dev sox
  clang-14 libclang-rt-14-dev
  dpkg-dev lintian zip unzip
  libwebkit2gtk-4.1-dev libgtk-3-dev libx11-dev libxcb1-dev
  xdotool imagemagick x11-utils procps chromium
  "$@"
)
# Node.js may come from elsewhere with npm inside it; Debian's packages only when it is absent.
command -v npm >/dev/null || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The page tests drive Debian's Chromium through the locked playwright-core; its own browser
# download is never wanted. `npm ls` is offline and fails when web/node_modules does not match.
if ! (cd web && npm ls --depth=0 >/dev/null 2>&1); then
  echo "installing: web/node_modules (npm ci)"
  (cd web && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null)
fi
