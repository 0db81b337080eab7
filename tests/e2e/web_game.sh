#!/usr/bin/env bash
# A web game: the sample game packed as "kavirelweb/Przyklad.pik" and served by python's http.server on
# 127.0.0.1; "-game Przyklad -server ... -install -version 2" installs it in the player's web games' folder and
# records it; played, its start is counted and its play time added, its folder entered once; a game the server
# lacks (a 404), a server that refuses and a host no one knows install nothing, end with 1, and the window
# names the reason; a damaged package is not offered for installing, is removed, and the window says it is
# damaged; "-uninstall" of a game that is not installed ends with 1 unasked, and with no desktop to answer on
# removes nothing.
#   web_game.sh <kavirel> <sample game folder>
set -uo pipefail
program=$(realpath "$1")
sample=$(realpath "$2")
source "$(dirname "$0")/common.sh"
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY

mkdir -p "$work/site/kavirelweb"
# Stored entries ("SFX01", 32-bit little-endian fields), named as the installer extracts them.
python3 - "$sample" "$work/site/kavirelweb/Przyklad.pik" <<'PY'
import os, struct, sys
root, out = sys.argv[1], sys.argv[2]
entries = []
for folder, _, files in sorted(os.walk(root)):
    for name in sorted(files):
        path = os.path.join(folder, name)
        entries.append(("Przyklad\\" + os.path.relpath(path, root).replace("/", "\\"), open(path, "rb").read()))
with open(out, "wb") as package:
    package.write(b"SFX01" + struct.pack("<I", len(entries)))
    for name, data in entries:
        encoded = name.encode("cp1250")
        package.write(b"\x02" + struct.pack("<II", len(data), len(data)) + data +
                      struct.pack("<I", len(encoded)) + encoded)
PY
[ -s "$work/site/kavirelweb/Przyklad.pik" ] || { echo "FAIL: the sample game was not packed"; exit 1; }

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.out" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
port=
for _ in $(seq 100); do
    port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "FAIL: the web server did not start"; exit 1; }

games=$XDG_DATA_HOME/kavirel/games
registry=$XDG_CONFIG_HOME/kavirel/registry.txt
run_in "$work/start" -game Przyklad -server "http://127.0.0.1:$port" -install -version 2
code=$?
[ "$code" -eq 0 ] || fail "the install ended with $code"
[ -f "$games/Przyklad/Dane/application.def" ] || fail "the game is not in $games/Przyklad"
[ ! -e "$games/Przyklad.pik" ] || fail "the package was left behind"
# The values of the game's own key.
game_values=$(awk '/^\[/ { inside = /\\KavirelWeb\\Przyklad\]$/ } inside' "$registry")
grep -qx '"FullName"="Przyklad"' <<<"$game_values" || fail "no FullName recorded: $game_values"
grep -qx '"Version"="2"' <<<"$game_values" || fail "no Version recorded: $game_values"

# Played: started from its folder (always in a window), its start counted before the game runs, its play time
# added when it ends (here on SIGTERM).
(cd "$work/start" && exec timeout 60 "$program" -nosound -nomusic -game Przyklad -server "http://127.0.0.1:$port") \
    2>"$work/stderr" &
player=$!
values() { awk '/^\[/ { inside = /\\KavirelWeb\\Przyklad\]$/ } inside' "$registry"; }
for _ in $(seq 600); do
    grep -qx '"TimesPlayed"="1"' <<<"$(values)" && break
    sleep 0.1
done
sleep 1.2 # so at least a whole second is added
kill -TERM $player
wait $player
code=$?
[ "$code" -eq 0 ] || fail "the web game ended with $code"
grep -qx '"TimesPlayed"="1"' <<<"$(values)" || fail "the start was not counted: $(values)"
grep -qx '"TotalTime"="[1-9][0-9]*"' <<<"$(values)" || fail "no play time added: $(values)"
# The game's folder is entered once, by the installer.
! grep -q "cannot be entered" "$work/stderr" || fail "a web game's start reported its folder"

# The window's texts are the lines of standard error after "kavirel: "; a failure's is "Wystąpił błąd: " and
# the downloader's first report, with its reason.
window_failure() { sed -n 's/^kavirel: Wystąpił błąd: //p' "$work/stderr"; }
run_in "$work/start" -game Brak -server "http://127.0.0.1:$port" -install
code=$?
[ "$code" -eq 1 ] || fail "a game the server lacks ended with $code"
[ ! -e "$games/Brak" ] || fail "a game the server lacks was installed"
grep -q "^Błąd podczas otwierania URL (.*404.*)$" <<<"$(window_failure)" ||
    fail "the window does not name the 404: $(window_failure)"
# An address nobody answers on (a port just freed) and a host no one knows.
closed=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
for server in "http://127.0.0.1:$closed" "http://brak.invalid"; do
    run_in "$work/start" -game Brak -server "$server" -install
    code=$?
    [ "$code" -eq 1 ] || fail "a download from $server ended with $code"
    grep -q "^Błąd podczas otwierania URL (.*\(connect\|resolve\).*)$" <<<"$(window_failure)" ||
        fail "the window does not say why $server failed: $(window_failure)"
done
# On a display named that cannot be reached the window's texts go to standard error, and the end is answered
# (a window nobody sees would wait for its button for ever).
(unset WAYLAND_DISPLAY SDL_VIDEODRIVER && DISPLAY=:9731 ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    run_in "$work/start" -game Brak -server "http://127.0.0.1:$closed" -install)
code=$?
[ "$code" -eq 1 ] || fail "a download on an unreachable display ended with $code"
grep -q "^Błąd podczas otwierania URL (.*connect.*)$" <<<"$(window_failure)" ||
    fail "on an unreachable display the window's texts did not reach standard error: $(window_failure)"

# A package that arrived damaged (an error page, random bytes, a truncated package) is not offered for
# installing, is removed and leaves no game; the window says it is damaged.
printf '<html><body>Not here</body></html>' >"$work/site/kavirelweb/Strona.pik"
head -c 4096 /dev/urandom >"$work/site/kavirelweb/Losowa.pik"
head -c 3000 "$work/site/kavirelweb/Przyklad.pik" >"$work/site/kavirelweb/Ucieta.pik"
for damaged in Strona Losowa Ucieta; do
    run_in "$work/start" -game $damaged -server "http://127.0.0.1:$port" -install
    code=$?
    [ "$code" -eq 1 ] || fail "the damaged package $damaged ended with $code"
    [ ! -e "$games/$damaged.pik" ] || fail "the damaged package $damaged was left in $games"
    [ ! -e "$games/$damaged" ] || fail "the damaged package $damaged was installed"
    grep -qx "pakiet $damaged.pik jest uszkodzony." <<<"$(window_failure)" ||
        fail "the window does not say $damaged.pik is damaged: $(window_failure)"
    ! grep -q "Instaluj" "$work/stderr" || fail "the damaged package $damaged was offered for installing"
done

run_in "$work/start" -uninstall -game Nieznana
code=$?
[ "$code" -eq 1 ] || fail "uninstalling a game without FullName ended with $code"
grep -q "Czy na pewno" "$work/stderr" && fail "a game without FullName was asked about"

run_in "$work/start" -uninstall -game Przyklad
code=$?
[ "$code" -eq 1 ] || fail "an uninstall nobody answered ended with $code"
grep -q "Czy na pewno" "$work/stderr" || fail "the uninstall question was not shown"
[ -d "$games/Przyklad" ] || fail "an uninstall nobody answered removed the game"
echo "a web game installs from its server"
