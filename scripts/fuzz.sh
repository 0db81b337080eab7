#!/usr/bin/env bash
# Builds fuzz targets with clang and libFuzzer (build-fuzz/) and fuzzes them, starting from their seeds.
#   scripts/fuzz.sh TARGET [SECONDS] [libFuzzer flags...]   one target (fuzz/targets/TARGET.cpp), 60 s by default
#   scripts/fuzz.sh all [SECONDS]                           every target, KAVIREL_FUZZ_PARALLEL at a time (3)
# KAVIREL_FUZZ_JOBS: processes per target (1). KAVIREL_BUILD_JOBS: compile jobs (3).
# What a run finds is left in build-fuzz/fuzz-runs/TARGET/artifacts/ (in earlier/ after the next run) and the
# run fails; the inputs it adds stay in build-fuzz/fuzz-runs/TARGET/corpus/ (fuzz/corpus/ is never written).
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

# One target: its own working folder holds the corpus it grows, what it finds, and its log. One process runs
# it, or KAVIREL_FUZZ_JOBS forked ones.
run_one() {
  local name=$1
  shift
  local work=$build/fuzz-runs/$name
  # What earlier runs found moves to earlier/, so artifacts/ holds this run's findings alone.
  mkdir -p "$work/corpus" "$work/artifacts" "$work/earlier"
  find "$work/artifacts" -type f -exec mv -t "$work/earlier" {} +
  # Script code may loop without end or fill memory, as a game's author may write it: that is no reader's
  # fault, so those inputs are kept for a look but fail nothing. The caches carry behaviour code too (a LOOP
  # whose step reads as 0 never ends).
  local tolerated=''
  case $name in
    behaviour | app_cache | scene_cache) tolerated='timeout-|oom-' ;;
  esac
  local flags=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_funcs=0 -print_final_stats=1
               -artifact_prefix="$work/artifacts/")
  # Forked processes go on past an input that fails; script targets always fork, so that a loop without end
  # does not end the run.
  if [ -n "$tolerated" ]; then
    flags+=(-fork="$jobs" -ignore_timeouts=1 -ignore_ooms=1)
  elif [ "$jobs" -gt 1 ]; then
    flags+=(-fork="$jobs" -ignore_timeouts=0 -ignore_ooms=0)
  fi
  local status=0
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    timeout -k 10 $((seconds + 120)) \
    "$build/fuzz/fuzz_$name" "${flags[@]}" "$@" "$work/corpus" "$root/fuzz/corpus/$name") || status=$?
  # What the run left decides as much as its status: a forked run ends well although a seed made its first
  # job crash (or, with -ignore_crashes=1, any job).
  # Slow inputs are only noted.
  local found failing
  found=$(ls "$work/artifacts")
  failing=$(grep -Ev "^(slow-unit-${tolerated:+|$tolerated})" <<<"$found" || true)
  if [ -n "$failing" ]; then
    echo "fuzz $name: $(wc -l <<<"$failing") failing input(s) kept in $work/artifacts"
    [ "$status" -eq 0 ] && status=1
    return "$status"
  fi
  [ "$status" -eq 0 ] && return 0
  # libFuzzer's time-out handler can deadlock inside the sanitizer's allocator; the outer limit ends the run.
  if [ "$status" -eq 124 ] && [ -n "$tolerated" ]; then
    echo "fuzz $name: a forked run hung past its time-out and was ended"
    return 0
  fi
  if [ -n "$tolerated" ] && [ -n "$found" ]; then
    echo "fuzz $name: stopped by script code that runs without end or fills memory (kept in $work/artifacts)"
    return 0
  fi
  return "$status"
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
    echo "fuzz $name: $(grep -oE '^#[0-9]+' "$build/fuzz-runs/$name.log" | tail -n 1 | tr -d '#') inputs in" \
      "${seconds} s, nothing found"
    grep 'fuzz .*: stopped by' "$build/fuzz-runs/$name.log" || true
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
