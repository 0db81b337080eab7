#!/usr/bin/env bash
# kavirel started where there is no game: the error on standard error and a failing exit code, also for a
# definition file that describes no game, a game folder (-path, SUBDIR) that is not there, even when started in
# another game's folder, a game folder without its data folder "Dane", and a game started without a display; and
# a pending self-update handed to the folder's "copy" program before anything else, or skipped when it cannot
# start.
#   missing_game.sh <kavirel>
set -uo pipefail
program=$(realpath "$1")
source "$(dirname "$0")/common.sh"

run_in "$work/nothing"
code=$?
[ "$code" -ne 0 ] || fail "a folder without a game ended with 0"
grep -q "Nie można wczytać gry" "$work/stderr" || fail "no error text for a folder without a game"
grep -q "application.def" "$work/stderr" || fail "the error does not name application.def"

mkdir -p "$work/empty/Dane"
printf 'OBJECT=X\r\nX:TYPE=INTEGER\r\n' >"$work/empty/Dane/application.def"
run_in "$work/empty"
code=$?
[ "$code" -ne 0 ] || fail "a definition without an application ended with 0"
grep -q "Nie można wczytać gry" "$work/stderr" || fail "no error text for a definition without an application"
# Each must end by itself, with 1 (the game of the starting folder would run on), naming what it lacks.
one_scene_game "$work/game"
for start in game nothing; do
    run_in "$work/$start" -path "$work/no/such"
    code=$?
    [ "$code" -eq 1 ] || fail "-path to a missing folder, started in $start, ended with $code"
    grep -q "folder gry $work/no/such nie istnieje" "$work/stderr" || fail "the missing folder is not named"
    ! grep -q "application.def" "$work/stderr" || fail "a missing folder was taken for a missing application.def"
done
printf '[MAIN]\r\nSUBDIR=Brak\r\n' >"$work/nothing/Kavirel.ini"
run_in "$work/nothing"
code=$?
[ "$code" -eq 1 ] || fail "a missing SUBDIR ended with $code"
grep -q "folder gry Brak nie istnieje" "$work/stderr" || fail "the missing SUBDIR is not named"
rm "$work/nothing/Kavirel.ini"
mkdir -p "$work/flat"
cp "$work/game/Dane/application.def" "$work/flat/"
run_in "$work/start" -path "$work/flat"
code=$?
[ "$code" -eq 1 ] || fail "a game folder without Dane ended with $code"
grep -q "z folderu $work/flat: brak folderu danych Dane z plikiem application.def" "$work/stderr" || fail "the missing Dane is not named"

# Without a display, and no video driver named, nobody would see the game.
(unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER && run_in "$work/game")
code=$?
[ "$code" -eq 1 ] || fail "a game without a display ended with $code"
grep -q "no display could be opened" "$work/stderr" || fail "no word of the missing display"
# A display named that cannot be reached is named, and no box is tried on it (the desktop bus library SDL
# tries on the way leaks a block the program cannot free).
(unset WAYLAND_DISPLAY SDL_VIDEODRIVER && DISPLAY=:9731 ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    run_in "$work/game")
code=$?
[ "$code" -eq 1 ] || fail "a game on an unreachable display ended with $code"
grep -q "DISPLAY=:9731 cannot be reached" "$work/stderr" || fail "the unreachable display is not named"
grep -q "message box, headless" "$work/stderr" || fail "a box was tried without a display"

mkdir -p "$work/update/temp"
: >"$work/update/temp/Kavirel.dll"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/handed"\nexit 7\n' "$work" >"$work/update/copy"
chmod +x "$work/update/copy"
rm -rf "$XDG_CONFIG_HOME"
run_in "$work/update" -res 640 480
code=$?
[ "$code" -eq 7 ] || fail "the update hand-over ended with $code"
[ "$(cat "$work/handed")" = "$(printf -- '-window\n-nosound\n-nomusic\n-res\n640\n480')" ] ||
    fail "copy was handed: $(cat "$work/handed")"
[ ! -e "$XDG_CONFIG_HOME/kavirel/registry.txt" ] || fail "the engine's version was recorded before the hand-over"
rm "$work/update/copy"
run_in "$work/update"
code=$?
[ "$code" -ne 0 ] || fail "a folder without a game ended with 0 after a failed hand-over"
grep -q "copy.exe" "$work/stderr" || fail "no word of the failed hand-over"
grep -q "Nie można wczytać gry" "$work/stderr" || fail "start-up did not go on after a failed hand-over"
echo "a missing game fails visibly"
