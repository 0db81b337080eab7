#!/usr/bin/env bash
# kavirel in a real window (run under Xvfb) on the sample game with its morning's background file removed: the
# log names the file, and once the evening's film has played the morning starts on black, with its own sun
# over it and nothing left of the evening (its film, its marker, its sky).
#   sample_without_background.sh <kavirel> <sample game folder>
set -uo pipefail
program=$(realpath "$1")
sample=$(realpath "$2")
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
unset SDL_VIDEODRIVER

fail() {
    echo "FAIL: $*"
    echo "--- standard error of the game:"
    cat "$work/stderr"
    exit 1
}

cp -r "$sample" "$work/game" || fail "no sample game at $sample"
rm "$work/game/Dane/DZIEN/PORANEK/PORANEK.IMG" || fail "the sample has no morning background"
cd "$work/game" || exit 1
"$program" -window -nosound -nomusic 2>"$work/stderr" &
pid=$!

last=
# Polls (for 30 s) until the command succeeds; the game must still run meanwhile. A check keeps what it saw in
# $last.
await() {
    local what=$1 end=$((SECONDS + 30))
    shift
    while ((SECONDS < end)); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for $what"
        sleep 0.1
    done
    fail "timed out waiting for $what${last:+, last seen $last}"
}

window=
find_window() {
    window=$(xwininfo -root -tree 2>/dev/null | awk '/ 800x600\+/ { print $1; exit }')
    [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q "Map State: IsViewable"
}
await "the game window" find_window

# One capture of the window (xwd does not hold the server), and its pixels as "(r,g,b)".
capture() { timeout 10 xwd -silent -id "$window" -out "$work/shot.xwd" 2>/dev/null; }
pixel() { convert "xwd:$work/shot.xwd" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | awk 'NR == 2 { print $2 }'; }
channels() {
    local IFS=,
    read -r r g b <<<"${1//[()]/}"
    [ -n "$b" ]
}

# The evening's film (yellow, MPEG-4, so only near it) at 520, 390.
film_shows() {
    capture || return 1
    last=$(pixel 660 490)
    channels "$last" && ((r >= 224 && g >= 224 && b <= 40))
}
await "the evening's film" film_shows
# The morning's sun, an IMAGE, somewhere on its way up the column through its middle.
sun_seen() {
    local p
    for p in $(convert "xwd:$work/shot.xwd" -crop "1x200+592+200" -depth 8 txt:- 2>/dev/null | awk 'NR > 1 { print $2 }'); do
        channels "$p" && ((r >= 250 && g >= 158 && g <= 166 && b <= 3)) && return 0
    done
    return 1
}
# Black where the evening showed its film, its marker patch and its sky.
morning_on_black() {
    capture || return 1
    last="$(pixel 660 490) $(pixel 80 540) $(pixel 400 0)"
    [ "$last" = "(0,0,0) (0,0,0) (0,0,0)" ] && sun_seen
}
await "the morning on black with its sun" morning_on_black
grep -q "PORANEK.IMG" "$work/stderr" || fail "the log does not name the missing background"

kill -TERM "$pid"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "the game ended with $code"
echo "the morning without its background starts on black after the evening"
