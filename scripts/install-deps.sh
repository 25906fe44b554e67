#!/usr/bin/env bash
# Installs, through apt, every package the build and the tests need, and any further packages
# named as arguments (only what is missing).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64 xvfb xauth
  googletest libgtest-dev libbenchmark-dev
  lv2-dev lilv-utils sordi
  libsndfile1-dev sox
  clang-14 libclang-rt-14-dev
  libwebkit2gtk-4.1-dev libgtk-3-dev libx11-dev libxcb1-dev
  xdotool imagemagick x11-utils procps jalv jackd2 chromium
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
