#!/usr/bin/env bash
# Two copies of one game started with -forcenew from one folder, both changing TOINI values every frame for 3 s:
# the ini file keeps both copies' sections with their last values, holds no line either copy never wrote, and
# neither copy fails a write.
#   two_copies.sh <kavirel> [rounds]
set -uo pipefail
program=$(realpath "$1")
rounds=${2:-4}
source "$(dirname "$0")/common.sh"

# S0 counts the copies in N and sends the first to S1, the next to S2; each of those changes its K (a count) and
# T (up to 19 x's) at every frame, and after 3 s keeps K's last value in LAST and ends the game.
game=$work/game
mkdir -p "$game/Dane/EP/S0" "$game/Dane/EP/S1" "$game/Dane/EP/S2"
cat >"$game/Dane/application.def" <<'EOF'
OBJECT=GRA
GRA:TYPE=APPLICATION
GRA:EPISODES=EP
GRA:STARTWITH=EP

OBJECT=EP
EP:TYPE=EPISODE
EP:PATH=EP
EP:SCENES=S0,S1,S2

OBJECT=S0
S0:TYPE=SCENE
S0:PATH=EP\S0

OBJECT=S1
S1:TYPE=SCENE
S1:PATH=EP\S1

OBJECT=S2
S2:TYPE=SCENE
S2:PATH=EP\S2
EOF
cat >"$game/Dane/GRA.cnv" <<'EOF'
OBJECT=N
N:TYPE=INTEGER
N:VALUE=0
N:TOINI=TRUE
EOF
printf 'OBJECT=X\r\nX:TYPE=INTEGER\r\n' >"$game/Dane/EP/EP.cnv"
cat >"$game/Dane/EP/S0/S0.cnv" <<'EOF'
OBJECT=__INIT__
__INIT__:TYPE=BEHAVIOUR
__INIT__:CODE={N^INC();@IF(N'1,{EP^GOTO("S1");},{EP^GOTO("S2");});}
EOF
for scene in S1 S2; do
    cat >"$game/Dane/EP/$scene/$scene.cnv" <<'EOF'
OBJECT=K
K:TYPE=INTEGER
K:VALUE=0
K:TOINI=TRUE

OBJECT=T
T:TYPE=STRING
T:VALUE=
T:TOINI=TRUE

OBJECT=LAST
LAST:TYPE=INTEGER
LAST:VALUE=0
LAST:TOINI=TRUE

OBJECT=C
C:TYPE=INTEGER
C:VALUE=0

OBJECT=TICK
TICK:TYPE=TIMER
TICK:ELAPSE=1
TICK:ONTICK={K^INC();C^INC();T^ADD("x");@IF(C'20,{C^SET(0);T^SET("");},{});}

OBJECT=STOP
STOP:TYPE=TIMER
STOP:ELAPSE=3000
STOP:TICKS=1
STOP:ONTICK={TICK^DISABLE();LAST^SET(K);GRA^EXIT();}
EOF
done

ini=$game/Kavirel.ini
# Every line the copies may leave, by section.
allowed='^\[(MAIN|GRA|S0|S1|S2)\]$|^TITLE=Proba$|^N=[12]$|^(Played|Time|K|LAST)=[0-9]+$|^T=x{0,19}$'

# The value of KEY in SECTION, empty when missing.
value() {
    tr -d '\r' <"$ini" | awk -v s="[$1]" -v k="$2" '/^\[/ { in_s = ($0 == s); next } in_s && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }'
}

for ((round = 1; round <= rounds; ++round)); do
    printf '[MAIN]\r\nTITLE=Proba\r\n' >"$ini"
    (cd "$game" && exec timeout 60 "$program" -window -nosound -nomusic -forcenew) 2>"$work/first" &
    first=$!
    # The second starts once the first has counted itself.
    for ((i = 0; i < 300; ++i)); do
        [ "$(value GRA N)" = "1" ] && break
        sleep 0.05
    done
    [ "$(value GRA N)" = "1" ] || { kill "$first"; wait "$first"; cp "$work/first" "$work/stderr"; fail "round $round: the first copy never started its scene"; }
    (cd "$game" && exec timeout 60 "$program" -window -nosound -nomusic -forcenew) 2>"$work/second" &
    second=$!
    wait "$first"
    code1=$?
    wait "$second"
    code2=$?
    cat "$work/first" "$work/second" >"$work/stderr"
    [ "$code1" -eq 0 ] && [ "$code2" -eq 0 ] || fail "round $round: the copies ended with $code1 and $code2"
    ! grep -q "cannot be" "$work/stderr" || fail "round $round: a copy could not keep its values"

    foreign=$(tr -d '\r' <"$ini" | grep -Ev "$allowed")
    [ -z "$foreign" ] || fail "round $round: lines no copy wrote: $foreign"$'\n'"$(cat "$ini")"
    for section in MAIN GRA S0 S1 S2; do
        [ "$(tr -d '\r' <"$ini" | grep -c "^\[$section\]$")" = "1" ] ||
            fail "round $round: section $section is not there once"$'\n'"$(cat "$ini")"
    done
    [ "$(value GRA N)" = "2" ] || fail "round $round: N is $(value GRA N)"$'\n'"$(cat "$ini")"
    for section in S1 S2; do
        k=$(value "$section" K)
        last=$(value "$section" LAST)
        [ -n "$k" ] && [ "$k" -gt 0 ] && [ "$k" = "$last" ] ||
            fail "round $round: $section keeps K=$k, its last value LAST=$last"$'\n'"$(cat "$ini")"
    done
    leftover=$(find "$game" -maxdepth 1 -name '*.tmp*')
    [ -z "$leftover" ] || fail "round $round: temporaries left: $leftover"
done

echo "two copies writing one ini file keep both copies' values, $rounds rounds"
