#!/usr/bin/env bash
# Runs every test: native, the Windows build under Wine, the native suite under sanitizers,
# the editor page in a real browser (part of the native suite) and short fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
failed=()
stage() {  # stage NAME command...: runs a stage, remembers a failure, goes on with the rest
  local name=$1; shift
  echo "=== $name"
  if ! "$@"; then failed+=("$name"); fi
}
ctest_in() { ctest --test-dir "build/$1" --output-on-failure --timeout 900 "${@:2}"; }

scripts/build-tree.sh linux -DCMAKE_BUILD_TYPE=Release -DVELMO_PACKAGE_TEST=ON
scripts/build-tree.sh windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake

# One X server for every Wine test, and a Wine prefix made once before tests run in parallel.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb :$n -screen 0 1280x1024x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:$n
  sleep 1
fi
export WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all
wineboot -i >/dev/null 2>&1 || true

stage "linux tests" ctest_in linux -j2 -LE package
stage "windows tests (wine)" ctest_in windows -j2
# The release packages built from scratch into a temporary folder and checked (scripts/package.sh).
stage "packages" ctest_in linux -L package

scripts/build-tree.sh asan -DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=address,undefined
stage "linux tests under ASan+UBSan" ctest_in asan -j2 -LE "no-sanitizer"

# ThreadSanitizer: only the tests labelled "concurrency" (built by velmo_concurrency_tests),
# one at a time so that their threads have the cores.
cmake -S . -B build/tsan -G Ninja -DVELMO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMO_SANITIZE=thread >/dev/null
cmake --build build/tsan --target velmo_concurrency_tests
stage "concurrency tests under TSan" ctest_in tsan -L concurrency -LE "no-sanitizer"

# Fuzzing: every target for a short while (VELMO_FUZZ_SECONDS each; scripts/fuzz.sh runs longer).
stage "fuzzing" scripts/fuzz.sh "${VELMO_FUZZ_SECONDS:-30}"


echo
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED stages: ${failed[*]}"
  exit 1
fi
echo "all test stages passed"
