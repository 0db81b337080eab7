#!/usr/bin/env bash
# kavirel on the sample game in a real window (run under Xvfb): each scene's background shows in turn (the
# morning with its sun, its bird flapping by itself and its text, whose letters stand evenly in both weights), read from
# screenshots of the window; a second start hands over to the first and ends, while one with -forcenew runs beside
# it and is found by later starts once the first has ended; a close request (SIGTERM) ends the game cleanly, the
# engine's version and the web games' folder are recorded, and the values the game's diary (a script class)
# keeps are in the player's copy of its ini file, among them the date of the run and the loops of the tune it
# played into a capture of SDL's disk audio driver; started again without its tune, the capture holds the
# bird's wing beat alone.
#   sample_game.sh <kavirel> <sample game folder>
set -uo pipefail
program=$(realpath "$1")
game=$(realpath "$2")
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

cd "$game" || fail "no sample game at $game"
day_before=$(date -u +%y%m%d)
# Its sound goes to a file through SDL's disk driver.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/audio.raw "$program" -window 2>"$work/stderr" &
pid=$!

# Polls (at most 30 s) until the command succeeds; the game must still run meanwhile.
await() {
    local what=$1
    shift
    for _ in $(seq 1 300); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for $what"
        sleep 0.1
    done
    fail "timed out waiting for $what"
}

window=
# The window once it is mapped (an unmapped one has no pixels to read).
find_window() {
    window=$(xwininfo -root -tree 2>/dev/null | awk '/ 800x600\+/ { print $1; exit }')
    [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q "Map State: IsViewable"
}
await "the game window" find_window

# The window's picture, and one pixel of it as "(r,g,b)". xwd reads it without holding the server: a tool that
# holds the server while the game waits for a reply from it stalls both. What must be seen together is read from
# one capture: a loaded machine may change the scene between two.
capture() {
    timeout 10 xwd -silent -id "$window" -out "$work/shot.xwd" 2>/dev/null
}
pixel() {
    convert "xwd:$work/shot.xwd" -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | awk 'NR == 2 { print $2 }'
}
# Whether "(r,g,b)" is within 3 of each channel of the expected one: the desktop widens 5- and 6-bit channels
# its own way.
near() {
    local got=${1//[()]/} want=${2//[()]/}
    local IFS=,
    read -r r g b <<<"$got"
    read -r R G B <<<"$want"
    [ -n "$b" ] || return 1
    (( r - R <= 3 && R - r <= 3 && g - G <= 3 && G - g <= 3 && b - B <= 3 && B - b <= 3 ))
}
last=
shows() {
    capture || return 1
    last=$(pixel 80 540)
    near "$last" "$1"
}

# The marker patch of each scene (tools/MakeSamplePictures.cpp), in the order the scenes' timers go.
await "the morning (red marker), last seen $last" shows "(255,0,0)"
# The morning sky's top row: 5-6-5 pixels widened again.
near "$(pixel 400 0)" "(99,162,255)" || fail "the morning sky is $(pixel 400 0)"
# The morning's sun, an IMAGE over the background, somewhere on its way up the column through its middle.
sun_seen() {
    local p
    for p in $(convert "xwd:$work/shot.xwd" -crop "1x200+592+200" -depth 8 txt:- 2>/dev/null | awk 'NR > 1 { print $2 }'); do
        near "$p" "(255,162,0)" && return 0
    done
    return 1
}
sun_seen || fail "no sun rises in the morning sky"
# The morning's name and hour, a TEXT in the menu's lettering at the top left: the sky is one colour a row, so a
# row through the letters holds more than one.
text_seen() {
    local y
    for y in 22 24 26 28 30 32 34; do
        [ "$(convert "xwd:$work/shot.xwd" -crop "380x1+20+$y" -depth 8 txt:- 2>/dev/null |
            awk 'NR > 1 { print $2 }' | sort -u | wc -l)" -ge 2 ] && return 0
    done
    return 1
}
text_seen || fail "no text shows the morning's name"
# Its letters stand evenly: "<B>Poranek<B>, godzina ósma" at 20, 20, 15 rows high. The columns of the title's rows
# that hold a pixel other than the sky's (the row's colour left of the text), in runs of ink; the gaps between
# the runs, "_" for a space.
title_gaps() {
    convert "xwd:$work/shot.xwd" -crop "240x15+18+20" -depth 8 txt:- 2>/dev/null | awk '
        NR > 1 { split($1, at, /[,:]/); x = at[1] + 0; y = at[2] + 0; c[x, y] = $2; if (x > w) w = x; if (y > h) h = y }
        END {
            gap = 0; seen = 0; out = ""
            for (x = 0; x <= w; x++) {
                ink = 0
                for (y = 0; y <= h; y++) if (c[x, y] != c[0, y]) ink = 1
                if (!ink) { gap++; continue }
                if (seen && gap > 0) out = out (gap > 4 ? "_" : gap)
                seen = 1; gap = 0
            }
            print out
        }'
}
# The bold word and its comma (8 runs) stand as close as the letters of the regular words.
gaps=$(title_gaps)
bold=${gaps%%_*}
regular=${gaps#*_}
regular=${regular//_/}
[ ${#bold} -eq 7 ] && [ -n "$regular" ] && [ -z "${bold//"${regular:0:1}"/}" ] &&
    [ -z "${regular//"${regular:0:1}"/}" ] || fail "the title's letters stand apart unevenly: gaps $gaps"
# The morning's bird, an ANIMO on the screen: its body (40, 30, 30), widened again, in every frame; it flaps
# from the scene's start without input, so its box (24 x 12 at 300, 150) changes within the morning.
near "$(pixel 312 155)" "(41,28,24)" || fail "the bird's body is $(pixel 312 155)"
bird_box() {
    convert "xwd:$work/shot.xwd" -crop "24x12+300+150" -depth 8 txt:- 2>/dev/null | awk 'NR > 1 { print $2 }' | md5sum
}
still_bird=$(bird_box)
bird_flaps() {
    capture || return 1
    last=$(pixel 80 540)
    near "$last" "(255,0,0)" && [ "$(bird_box)" != "$still_bird" ]
}
await "the morning's bird to flap, last seen $last" bird_flaps
await "the noon (green marker), last seen $last" shows "(0,255,0)"
# The noon's path, a PATTERN of tiles, and its spotlight, a VIRTUALGRAPHICSOBJECT showing the sun of the
# background through a round mask (the first tile's face and the sun, widened again).
tiles_and_sun() {
    capture || return 1
    near "$(pixel 220 460)" "(206,182,140)" && near "$(pixel 660 300)" "(255,255,255)"
}
await "the noon's path and spotlight" tiles_and_sun
await "the evening (blue marker), last seen $last" shows "(0,0,255)"
# The evening's film (yellow, MPEG-4, so only near it) plays at 520, 390 half a second into the scene.
film_shows() {
    capture || return 1
    last=$(pixel 660 490)
    local IFS=,
    read -r r g b <<<"${last//[()]/}"
    [ -n "$b" ] && (( r >= 224 && g >= 224 && b <= 40 ))
}
await "the evening's film (yellow), last seen $last" film_shows
await "the morning again, last seen $last" shows "(255,0,0)"

# A second start brings the first to the front and ends at once, successfully.
timeout 30 "$program" -window -nosound 2>"$work/second" || fail "the second start ended with $?: $(cat "$work/second")"
kill -0 "$pid" 2>/dev/null || fail "the first game ended when the second started"

# A forced copy (its own player's files, the same lock) runs beside the first.
XDG_DATA_HOME=$work/forced-data "$program" -window -nosound -nomusic -forcenew 2>"$work/forced" &
forced=$!
two_windows() {
    kill -0 "$forced" 2>/dev/null || fail "the forced copy ended: $(cat "$work/forced")"
    [ "$(xwininfo -root -tree 2>/dev/null | grep -c ' 800x600+')" -ge 2 ]
}
await "the forced copy's window" two_windows

kill -TERM "$pid"
wait "$pid"
code=$?
pid=$forced
[ "$code" -eq 0 ] || fail "the game ended with $code"

grep -q "Version" "$XDG_CONFIG_HOME/kavirel/registry.txt" || fail "the engine's version is not recorded"
[ -d "$XDG_DATA_HOME/kavirel/games" ] || fail "the web games' folder was not made"
grep -q "games" "$XDG_CONFIG_HOME/kavirel/registry.txt" || fail "the web games' folder is not recorded"

# The forced copy takes the lock over, so the next start hands over to it.
lock=$XDG_RUNTIME_DIR/kavirel/instance.lock
held() { ! flock -n "$lock" true; }
await "the forced copy to hold the lock" held
timeout 30 "$program" -window -nosound 2>"$work/third" || fail "the third start ended with $?: $(cat "$work/third")"
kill -0 "$pid" 2>/dev/null || fail "the forced copy ended when the third started"
kill -TERM "$pid"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "the forced copy ended with $code"

ini=$XDG_DATA_HOME/kavirel/OrvikMedia/Przyklad/Kavirel.ini
[ -f "$ini" ] || fail "no player's ini file at $ini"
# A value the diary (the class instance KSIEGA) keeps in its section.
kept() {
    tr -d '\r' <"$ini" | awk -F= -v key="$1" '/^\[/ { section = $0 } section == "[KSIEGA]" && $1 == key { print $2 }'
}
visits=$(kept ODWIEDZINY)
hours=$(kept GODZINY)
average=$(kept SREDNIA)
[ -n "$visits" ] && [ "$visits" -ge 4 ] || fail "ODWIEDZINY is '$visits': $(cat "$ini")"
[ -n "$hours" ] && [ "$hours" -ge 48 ] || fail "GODZINY is '$hours': $(cat "$ini")"
[ "$average" = "$((hours / visits))" ] || fail "SREDNIA is '$average' for $hours / $visits"
loops=$(kept PETLE)
[ -n "$loops" ] && [ "$loops" -ge 2 ] || fail "PETLE is '$loops': $(cat "$ini")"

# The capture (44.1 kHz, 16-bit stereo) holds the tune: sound most of the time, peaking at the tune's 12,000
# (with the bird's wing beat of 9,000 over it in the mornings).
[ -s "$work/audio.raw" ] || fail "nothing was played into $work/audio.raw"
# The peak, the samples that sound, and all samples of a capture.
levels() {
    od -An -v -td2 -w2 "$1" |
        awk '{ v = $1 < 0 ? -$1 : $1; if (v > p) p = v; if (v > 100) s++; n++ } END { print p + 0, s + 0, n + 0 }'
}
read -r peak sounding total < <(levels "$work/audio.raw")
(( peak >= 11500 && peak <= 21000 )) || fail "the capture's peak is $peak"
(( sounding * 2 > total )) || fail "only $sounding of $total captured samples sound"
# The last three scenes, an ARRAY the game keeps with SAVEINI in the application's section.
recent=$(tr -d '\r' <"$ini" | awk -F= '/^\[/ { section = $0 } section == "[PRZYKLAD]" && $1 == "OSTATNIE" { print $2 }')
[ "$(tr ',' '\n' <<<"$recent" | grep -cE '^(PORANEK|POLUDNIE|WIECZOR)$')" -eq 3 ] || fail "OSTATNIE is '$recent': $(cat "$ini")"
day=$(kept DATA)
day_after=$(date -u +%y%m%d)
[ "$day" = "$((10#$day_before))" ] || [ "$day" = "$((10#$day_after))" ] || fail "DATA is '$day', not $day_after"
# Without its tune the morning sounds only the bird's wings: a beat (SKRZYDLA.WAV, from 9,000) at each down
# stroke, 60 ms of every 400.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$work/wings.raw "$program" -window -nomusic 2>"$work/stderr" &
pid=$!
await "the game window without its tune" find_window
await "the morning without its tune" shows "(255,0,0)"
sleep 1
kill -TERM "$pid"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "the game without its tune ended with $code"
read -r wings beating samples < <(levels "$work/wings.raw")
(( wings >= 8500 && wings <= 9000 )) || fail "the wings' capture peaks at $wings"
(( beating > 0 && beating * 2 < samples )) || fail "$beating of $samples samples of the wings' capture sound"

echo "the sample game ran its scenes and kept ODWIEDZINY=$visits GODZINY=$hours SREDNIA=$average PETLE=$loops" \
    "OSTATNIE=$recent, DATA=$day, its tune peaking at $peak, its bird's wings at $wings"
