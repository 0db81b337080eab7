#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test, and
# fuzzes every fuzz target briefly when clang is there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKAVIREL_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
fuzzed=0
if command -v clang++ >/dev/null; then
  KAVIREL_BUILD_JOBS="$(nproc)" KAVIREL_FUZZ_PARALLEL=4 bash scripts/fuzz.sh all 20 || fuzzed=$?
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd build-asan
ctest --output-on-failure -j"$(nproc)"
exit "$fuzzed"
