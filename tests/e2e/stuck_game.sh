#!/usr/bin/env bash
# kavirel asked to end while a game's script never returns (a timer's handler caught in a WHILE loop without
# end): SIGTERM, SIGINT and SIGHUP each end it within 10 s as a normal end does: exit code 0, and in its ini file
# what the same game keeps when its handler ends it with EXIT instead (its values, those its ONDONE sets, its
# scene's play count), nothing of the stopped handler after its loop.
#   stuck_game.sh <kavirel>
set -uo pipefail
program=$(realpath "$1")
source "$(dirname "$0")/common.sh"

# The values the game keeps (TOINI) and its scene's play count in its ini file, as "KEY=VALUE" lines in a fixed
# order.
kept() {
    tr -d '\r' <"$game/Kavirel.ini" 2>/dev/null |
        awk '/^\[/ { section = $0; next } section == "[GRA]" || (section == "[S1]" && /^Played=/) { print }' |
        sort
}

# AI counts the timer's handler before it ends the game (later: before and after its loop), BI the application's
# ONINIT, DI its ONDONE.
game=$work/game
one_scene_game "$game"
cat >"$game/Dane/GRA.cnv" <<'EOF'
OBJECT=GRA
GRA:ONINIT={BI^INC();}
GRA:ONDONE={DI^INC();}

OBJECT=AI
AI:TYPE=INTEGER
AI:VALUE=0
AI:TOINI=TRUE

OBJECT=BI
BI:TYPE=INTEGER
BI:VALUE=0
BI:TOINI=TRUE

OBJECT=DI
DI:TYPE=INTEGER
DI:VALUE=0
DI:TOINI=TRUE

OBJECT=W
W:TYPE=INTEGER
W:VALUE=0

OBJECT=T
T:TYPE=TIMER
T:ELAPSE=50
T:ONTICK={AI^INC();GRA^EXIT();}
EOF
printf 'OBJECT=X\r\nX:TYPE=INTEGER\r\n' >"$game/Dane/EP/EP.cnv"
printf 'OBJECT=Y\r\nY:TYPE=INTEGER\r\n' >"$game/Dane/EP/S1/S1.cnv"

printf '[MAIN]\r\nTITLE=Proba\r\n' >"$game/Kavirel.ini"
run_in "$game"
code=$?
[ "$code" -eq 0 ] || fail "the game ending by itself ended with $code"
expected=$(kept)
grep -q '^AI=1$' <<<"$expected" && grep -q '^Played=1$' <<<"$expected" ||
    fail "the game ending by itself kept: $expected"

sed -i 's/^T:ONTICK=.*/T:ONTICK={AI^INC();@WHILE("W","<",5,"{W^SET(0);}");AI^INC();}/' "$game/Dane/GRA.cnv"
for signal in TERM INT HUP; do
    printf '[MAIN]\r\nTITLE=Proba\r\n' >"$game/Kavirel.ini"
    (cd "$game" && exec "$program" -window -nosound -nomusic) 2>"$work/stderr" &
    pid=$!
    # The handler is in its loop once its first count is kept (and a moment later, surely).
    for ((i = 0; i < 600; ++i)); do
        [ "$(kept | grep '^AI=')" = "AI=1" ] && break
        kill -0 "$pid" 2>/dev/null || fail "SIG$signal: the game ended before its loop"
        sleep 0.1
    done
    [ "$(kept | grep '^AI=')" = "AI=1" ] || {
        kill -KILL "$pid"
        fail "SIG$signal: the game never began its loop"
    }
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "SIG$signal: the loop did not hold the game"
    kill -"$signal" "$pid"
    for ((i = 0; i < 100; ++i)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        wait "$pid"
        fail "SIG$signal did not end the game within 10 s"
    fi
    wait "$pid"
    code=$?
    [ "$code" -eq 0 ] || fail "SIG$signal: the game ended with $code"
    [ "$(kept)" = "$expected" ] || fail "SIG$signal: the game kept: $(kept), not as it ends by itself: $expected"
done

echo "a game stuck in its script ends on SIGTERM, SIGINT and SIGHUP as it ends by itself"
