#!/usr/bin/env bash
# kavirel's message boxes on a desktop (run under Xvfb): a termination signal while a box waits for its button
# closes it and ends the program within 10 s as a refusal does. SIGTERM and SIGINT on the box of a game that
# cannot be loaded end with 1; SIGTERM on the uninstall question answers no: nothing is removed, it ends with 1.
#   message_box.sh <kavirel>
set -uo pipefail
program=$(realpath "$1")
source "$(dirname "$0")/common.sh"
unset SDL_VIDEODRIVER
pid=
# The program leads a process group of its own, so a failed run takes the box's process along.
trap '[ -n "$pid" ] && kill -KILL -- -"$pid" 2>/dev/null; rm -rf "$work"' EXIT

shown() { xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\""; }

# Starts the program in FOLDER with the further arguments, waits (at most 30 s) for its box titled TITLE, sends
# SIGNAL once the box has waited a second, and sets code to the exit code of the program, which must end within
# 10 s and take its box along.
signal_box() {
    local folder=$1 title=$2 signal=$3
    shift 3
    mkdir -p "$folder"
    (cd "$folder" && exec setsid "$program" -window -nosound -nomusic "$@") 2>"$work/stderr" &
    pid=$!
    for ((i = 0; i < 300; ++i)); do
        shown "$title" && break
        if ! kill -0 "$pid" 2>/dev/null; then
            # SDL draws its box with the server's core fonts; without them the text goes to standard error.
            grep -q "^\[message box," "$work/stderr" &&
                fail "SIG$signal: no box could be shown (are the X fonts of scripts/deps.sh installed?)"
            fail "SIG$signal: the program ended before its box showed"
        fi
        sleep 0.1
    done
    shown "$title" || fail "SIG$signal: no box \"$title\" showed"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "SIG$signal: the box did not wait for its button"
    kill -"$signal" "$pid"
    for ((i = 0; i < 100; ++i)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "SIG$signal did not end the program within 10 s of its box"
    wait "$pid"
    code=$?
    pid=
    ! shown "$title" || fail "SIG$signal: the box stayed on the desktop"
}

for signal in TERM INT; do
    signal_box "$work/nothing" Kavirel "$signal"
    [ "$code" -eq 1 ] || fail "SIG$signal on the box of a missing game: exit code $code"
    grep -q "Nie można wczytać gry" "$work/stderr" || fail "SIG$signal: the reason is not on standard error"
done

# A game folder that is not there, and one without Dane: its box names it, and nothing is left on the desktop.
one_scene_game "$work/game"
mkdir -p "$work/flat"
cp "$work/game/Dane/application.def" "$work/flat/"
for path in "$work/no/such" "$work/flat"; do
    signal_box "$work/game" Kavirel TERM -path "$path"
    [ "$code" -eq 1 ] || fail "-path $path: exit code $code"
    grep -q "$path" "$work/stderr" || fail "-path $path: the folder is not named"
    [ "$(xwininfo -root -children 2>/dev/null | grep -c '"')" -eq 0 ] || fail "-path $path left a window"
done

# A web game installed as the installer leaves it: its folder and its records.
registry=$XDG_CONFIG_HOME/kavirel/registry.txt
version=$(sed -n 's/^"Version"="\(.*\)"$/\1/p' "$registry")
[ -n "$version" ] || fail "no engine version recorded"
mkdir -p "$XDG_DATA_HOME/kavirel/games/Gra/Dane"
sed -i 's/^end$/[HKEY_CURRENT_USER\\Software\\OrvikMedia\\KavirelWeb\\Gra]\n"FullName"="Moja gra"\nend/' "$registry"
signal_box "$work/start" "$version" TERM -uninstall -game Gra
[ "$code" -eq 1 ] || fail "SIGTERM on the uninstall question: exit code $code"
[ -d "$XDG_DATA_HOME/kavirel/games/Gra/Dane" ] || fail "SIGTERM on the uninstall question removed the game"
grep -q '"FullName"="Moja gra"' "$registry" || fail "SIGTERM on the uninstall question removed the records"
echo "a termination signal closes a waiting message box and ends the program as a refusal"
