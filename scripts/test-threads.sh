#!/usr/bin/env bash
# Builds the programs whose tests run the engine's own threads with ThreadSanitizer and runs those tests (the ones
# labelled threads). Run after scripts/deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DKAVIREL_TSAN=ON -DKAVIREL_BENCH=OFF
targets=$(sed -n 's/^set(KAVIREL_THREAD_TEST_DIRS \(.*\))$/\1/p' CMakeLists.txt)
for dir in $targets; do cmake --build build-tsan -j"${JOBS:-$(nproc)}" --target "test_$dir"; done
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cd build-tsan
# Address-space randomisation too wide for ThreadSanitizer's layout is turned off for the run where it can be.
run=()
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then run=(setarch "$(uname -m)" -R); fi
"${run[@]}" ctest -L threads --output-on-failure
