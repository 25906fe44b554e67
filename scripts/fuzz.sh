#!/usr/bin/env bash
# fuzz.sh [SECONDS] [TARGET...]: builds the libFuzzer targets (clang-14 with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30) from its seed corpus
# in tests/fuzz/corpus/. Fails on any crash, leak, timeout or sanitizer report; the input that
# caused it is kept in build/fuzz/artifacts/<target>/. A longer run of one target:
#   scripts/fuzz.sh 3600 fuzz_state_apply
# Inputs found along the way go to build/fuzz/found/<target>/ (not to the committed corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
tree=build/fuzz
# Warnings are held to -Werror by the gcc trees; clang here only instruments.

CC=clang-14 CXX=clang++-14 cmake -S . -B "$tree" -G Ninja -DVELMO_WERROR=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMO_SANITIZE=address,undefined -DVELMO_FUZZ=ON >/dev/null
cmake --build "$tree" --target velmo_fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in tests/fuzz/corpus/*/; do
    t=$(basename "$dir")
    [ -x "$tree/tests/fuzz/$t" ] && targets+=("$t")
  done
fi

failed=()
for t in "${targets[@]}"; do
  found="$tree/found/$t"
  artifacts="$tree/artifacts/$t"
  mkdir -p "$found" "$artifacts"
  echo "--- $t: ${seconds}s"
  # -timeout: one input taking longer than 10 s counts as a hang; -error_exitcode: any report fails.
  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$tree/tests/fuzz/$t" "$found" "tests/fuzz/corpus/$t" \
         -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
         -error_exitcode=77 -artifact_prefix="$artifacts/" -print_final_stats=1 \
         >"$tree/$t.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "$tree/$t.log"
  else
    grep -E "^stat::number_of_executed_units|^Done" "$tree/$t.log" | tr '\n' ' '
    echo
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing FAILED: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed: ${#targets[@]} targets, ${seconds}s each"
