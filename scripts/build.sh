#!/usr/bin/env bash
# Builds everything for Linux and for 64-bit Windows, then renders the demo into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-tree.sh linux -DCMAKE_BUILD_TYPE=Release
scripts/build-tree.sh windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
scripts/demo.sh build/linux
