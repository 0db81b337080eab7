#!/usr/bin/env bash
# kavirel on the sample game, and on a scene where nothing moves, headless (SDL's dummy driver, whose present
# never waits), left alone: its frames are paced to a refresh period, so over 10 s each takes well under a core
# of processor time (a loop that spins takes all of one); a close request then ends it cleanly.
#   idle_sample.sh <kavirel> <sample game folder>
set -uo pipefail
program=$(realpath "$1")
game=$(realpath "$2")
source "$(dirname "$0")/common.sh"

# At most 40 % of a core: paced, the sample takes 2 to 6 % (6 to 13 % built with the sanitizers); spinning, all.
bound_percent=40
ticks_per_second=$(getconf CLK_TCK)
# The processor time of the process and all its threads, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Runs the game in FOLDER left alone for 10 s past its start-up and fails past BOUND % of a core.
measure() {
    local folder=$1 bound=$2 what=$3
    cd "$folder" || fail "no $what at $folder"
    "$program" -window -nosound -nomusic 2>"$work/stderr" &
    pid=$!
    # Past its start-up, which reads the whole game.
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "the $what ended at its start"
    before=$(ticks "$pid")
    sleep 10
    after=$(ticks "$pid") || fail "the $what ended while it was measured"
    used=$((after - before))
    kill -TERM "$pid"
    # A program that does not end on the request is ended after 30 s, and fails.
    (sleep 30 && kill -KILL "$pid") >/dev/null 2>&1 &
    watchdog=$!
    wait "$pid"
    code=$?
    kill "$watchdog" 2>/dev/null
    [ "$code" -eq 0 ] || fail "the $what ended with $code"
    percent=$((used * 100 / (10 * ticks_per_second)))
    ((percent < bound)) || fail "the idle $what took $percent % of a core over 10 s ($used ticks)"
    echo "the idle $what took $percent % of a core over 10 s"
}

measure "$game" "$bound_percent" "sample game"
# A scene where nothing moves draws nothing: 1 to 2 % (also with the sanitizers).
one_scene_game "$work/still"
measure "$work/still" 15 "still scene"
