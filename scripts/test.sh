#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKAVIREL_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd build-asan
ctest --output-on-failure -j"$(nproc)"
# The desktop tests skip themselves without an X server; here they get a virtual one. -noreset keeps the server
# from resetting when a test closes the last connection, which would refuse the next test's. Leak checks stay
# off for this run: the desktop's GL and D-Bus libraries keep allocations of their own until exit.
if command -v xvfb-run >/dev/null 2>&1; then
  ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ./test_platform --gtest_filter='X11*'
fi
