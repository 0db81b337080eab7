#!/usr/bin/env bash
# kavirel on games as they are shipped, headless: a small game run from its definition, its caches written with
# -2bin (which ends by itself, playing nothing), then run from its caches with the same saved values, ending
# through its application's own timer; the same game packed into "data.bf" and started with -path from another
# folder, and its caches written with -2bin beside its big file and run from there; the loose game's caches
# written with -2bin and -path from another folder, and run from them; and a game whose caches cannot be
# written fails -2bin with the reason.
#   shipped_game.sh <kavirel> <MakeBigFile>
set -uo pipefail
program=$(realpath "$1")
pack=$(realpath "$2")
source "$(dirname "$0")/common.sh"

# Runs the game in a folder with a fresh ini file there.
play_in() {
    printf '[MAIN]\r\nTITLE=Proba\r\n' >"$1/Kavirel.ini" || fail "no folder $1"
    run_in "$@"
}

# The values the game keeps (TOINI) in the ini file of a folder, as "KEY=VALUE" lines in a fixed order.
kept() {
    tr -d '\r' <"$1/Kavirel.ini" | awk '/^\[/ { section = $0; next } section == "[GRA]" { print }' | sort
}

# AI counts the ticks of an application timer with inline code, CI the changes of AI, BI the application's
# own ONINIT; KONIEC, started by that ONINIT, ends the game through the application's name.
game=$work/game
one_scene_game "$game"
cat >"$game/Dane/GRA.cnv" <<'EOF'
OBJECT=GRA
GRA:ONINIT={BI^INC();KONIEC^ENABLE();}

OBJECT=AI
AI:TYPE=INTEGER
AI:VALUE=0
AI:TOINI=TRUE
AI:ONCHANGED={CI^INC();}

OBJECT=BI
BI:TYPE=INTEGER
BI:VALUE=0
BI:TOINI=TRUE

OBJECT=CI
CI:TYPE=INTEGER
CI:VALUE=0
CI:TOINI=TRUE

OBJECT=T
T:TYPE=TIMER
T:ELAPSE=50
T:TICKS=3
T:ONTICK={AI^INC();}

OBJECT=KONIEC
KONIEC:TYPE=TIMER
KONIEC:ELAPSE=50
KONIEC:ENABLED=FALSE
KONIEC:ONTICK^20={GRA^EXIT();}
EOF
printf 'OBJECT=X\r\nX:TYPE=INTEGER\r\n' >"$game/Dane/EP/EP.cnv"
printf 'OBJECT=Y\r\nY:TYPE=INTEGER\r\n' >"$game/Dane/EP/S1/S1.cnv"
expected=$(printf 'AI=3\nBI=1\nCI=3')

play_in "$game"
code=$?
[ "$code" -eq 0 ] || fail "the game from its definition ended with $code"
[ "$(kept "$game")" = "$expected" ] || fail "from its definition the game kept: $(kept "$game")"

# -2bin shows no window, so it needs no display either (the graphics library SDL's fallback driver loads
# leaks blocks the program cannot free).
(unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER &&
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" play_in "$game" -2bin)
code=$?
[ "$code" -eq 0 ] || fail "-2bin without a display ended with $code"
for cache in application.bin GRA.bin EP/EP.bin EP/S1/S1.bin; do
    [ -f "$game/Dane/$cache" ] || fail "-2bin wrote no $cache"
done
[ -z "$(kept "$game")" ] || fail "-2bin played the game: $(kept "$game")"

play_in "$game"
code=$?
[ "$code" -eq 0 ] || fail "the game from its caches ended with $code"
[ "$(kept "$game")" = "$expected" ] || fail "from its caches the game kept: $(kept "$game")"

# Shipped packed: the data folder (caches and all) in "data.bf", nothing loose beside it.
packed=$work/packed
mkdir -p "$packed" "$work/source"
cp -r "$game/Dane" "$work/source/"
"$pack" "$work/source" "$packed/data.bf" || fail "the game could not be packed"
mkdir -p "$work/elsewhere"
play_in "$work/elsewhere" -path "$packed"
code=$?
[ "$code" -eq 0 ] || fail "the packed game started with -path ended with $code"
[ "$(kept "$work/elsewhere")" = "$expected" ] || fail "the packed game kept: $(kept "$work/elsewhere")"
! grep -q "cannot be entered" "$work/stderr" || fail "a folder that exists was reported"

# Packed, its caches written with -2bin (and -path from another folder) go beside its data.bf, each under its
# own name: a later start reads them there, also once its big file holds no definitions.
play_in "$work/elsewhere" -path "$packed" -2bin
code=$?
[ "$code" -eq 0 ] || fail "-2bin of the packed game ended with $code"
for cache in application.bin GRA.bin EP.bin S1.bin; do
    [ -f "$packed/$cache" ] || fail "-2bin of the packed game wrote no $cache beside its data.bf"
done
[ ! -e "$work/elsewhere/application.bin" ] || fail "-2bin of the packed game wrote into the starting folder"
mkdir -p "$work/bare/Dane/EP/S1"
printf 'x' >"$work/bare/Dane/EP/S1/x.txt"
"$pack" "$work/bare" "$packed/data.bf" || fail "the definitions could not be taken out of the big file"
play_in "$work/elsewhere" -path "$packed"
code=$?
[ "$code" -eq 0 ] || fail "the packed game from its caches ended with $code"
[ "$(kept "$work/elsewhere")" = "$expected" ] || fail "the packed game from its caches kept: $(kept "$work/elsewhere")"

# Loose, its caches written with -2bin and -path from another folder: they go beside its object files.
loosepath=$work/loosepath
mkdir -p "$loosepath" "$work/beside"
cp -r "$work/source/Dane" "$loosepath/"
find "$loosepath" -name '*.bin' -delete
play_in "$work/beside" -path "$loosepath" -2bin
code=$?
[ "$code" -eq 0 ] || fail "-2bin with -path ended with $code"
for cache in application.bin GRA.bin EP/EP.bin EP/S1/S1.bin; do
    [ -f "$loosepath/Dane/$cache" ] || fail "-2bin with -path wrote no $cache"
done
[ ! -e "$loosepath/Dane/EP.bin" ] && [ ! -e "$loosepath/Dane/S1.bin" ] || fail "-2bin with -path misplaced a cache"
play_in "$work/beside" -path "$loosepath"
code=$?
[ "$code" -eq 0 ] || fail "the loose game from its caches with -path ended with $code"
[ "$(kept "$work/beside")" = "$expected" ] || fail "the loose game with -path kept: $(kept "$work/beside")"

# A scene outside every episode cannot be cached: -2bin says so and fails.
mkdir -p "$work/loose/Dane"
printf 'OBJECT=LG\r\nLG:TYPE=APPLICATION\r\nLG:SCENES=L1\r\n\r\nOBJECT=L1\r\nL1:TYPE=SCENE\r\n' \
    >"$work/loose/Dane/application.def"
play_in "$work/loose" -2bin
code=$?
[ "$code" -eq 1 ] || fail "-2bin of a game it cannot cache ended with $code"
grep -q "not inside an episode" "$work/stderr" || fail "no reason for the failed -2bin"
grep -q "application.bin" "$work/stderr" || fail "the failed -2bin names no cache"

echo "shipped games run alike from their definitions, caches and big files, and -2bin ends"
