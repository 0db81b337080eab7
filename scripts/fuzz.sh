#!/usr/bin/env bash
# Builds fuzz targets with clang and libFuzzer (build-fuzz/) and fuzzes them, starting from their seeds.
#   scripts/fuzz.sh TARGET [SECONDS] [libFuzzer flags...]   one target (fuzz/targets/TARGET.cpp), 60 s by default
#   scripts/fuzz.sh all [SECONDS]                           every target, KAVIREL_FUZZ_PARALLEL at a time (3)
# KAVIREL_FUZZ_JOBS: processes per target (1). KAVIREL_BUILD_JOBS: compile jobs (3).
# What a run finds is left in build-fuzz/fuzz-runs/TARGET/artifacts/ and the run fails; the inputs it adds to
# its corpus stay in build-fuzz/fuzz-runs/TARGET/corpus/ (the seeds in fuzz/corpus/ are never written).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: scripts/fuzz.sh TARGET|all [SECONDS] [libFuzzer flags...]}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
build=${KAVIREL_FUZZ_BUILD:-$root/build-fuzz}
jobs=${KAVIREL_FUZZ_JOBS:-1}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DKAVIREL_FUZZ=ON -DKAVIREL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" >/dev/null
if [ "$target" = all ]; then
  cmake --build "$build" -j"${KAVIREL_BUILD_JOBS:-3}" --target fuzz_all
else
  cmake --build "$build" -j"${KAVIREL_BUILD_JOBS:-3}" --target "fuzz_$target"
fi

# One target: its own working folder holds the corpus it grows, what it finds, and its log.
run_one() {
  local name=$1
  shift
  local work=$build/fuzz-runs/$name
  mkdir -p "$work/corpus" "$work/artifacts"
  local flags=(-fork="$jobs" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048
               -artifact_prefix="$work/artifacts/" -print_final_stats=1)
  case $name in
    # Script code may loop without end, as a game's author may write it: that is no reader's fault.
    behaviour) flags+=(-ignore_timeouts=1 -ignore_ooms=1) ;;
    app_cache | scene_cache) flags+=(-ignore_timeouts=1) ;;
    *) flags+=(-ignore_timeouts=0 -ignore_ooms=0) ;;
  esac
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    "$build/fuzz/fuzz_$name" "${flags[@]}" "$@" "$work/corpus" "$root/fuzz/corpus/$name")
}

if [ "$target" != all ]; then
  run_one "$target" "$@"
  exit
fi

# Every target, a few at a time; each one's output goes to its log, shown when it fails.
export -f run_one
export build root seconds jobs
names=$(cd "$root/fuzz/targets" && ls -- *.cpp | sed 's/\.cpp$//')
failed=0
passed=0
results=$(printf '%s\n' $names | xargs -P "${KAVIREL_FUZZ_PARALLEL:-3}" -I{} bash -c '
  log=$build/fuzz-runs/{}.log
  mkdir -p "$build/fuzz-runs"
  if run_one {} >"$log" 2>&1; then echo "ok {}"; else echo "FAILED {}"; fi')
for name in $names; do
  if grep -qx "ok $name" <<<"$results"; then
    passed=$((passed + 1))
    echo "fuzz $name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz-runs/$name.log" |
      awk '{s += $2} END {print s + 0}') inputs in ${seconds} s, nothing found"
  else
    failed=$((failed + 1))
    echo "fuzz $name: FAILED; the end of its log ($build/fuzz-runs/$name.log):"
    tail -n 60 "$build/fuzz-runs/$name.log"
    for found in "$build/fuzz-runs/$name/artifacts"/*; do
      [ -f "$found" ] || continue
      echo "found: $found (base64 below)"
      head -c 4096 "$found" | base64
    done
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
