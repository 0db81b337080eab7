# What the headless end-to-end scripts share; sourced after `program` is set to the program's full path.
# A scratch folder removed at the end, the player's folders inside it, `fail` and `run_in`.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run

# Says what failed, shows the program's standard error and ends the script.
fail() {
    echo "FAIL: $*"
    echo "--- standard error:"
    cat "$work/stderr"
    exit 1
}

# Runs the program silently in a window in FOLDER (made when missing) with the further arguments, its standard
# error kept in $work/stderr; it must end by itself within 60 s.
run_in() {
    local folder=$1
    shift
    mkdir -p "$folder"
    (cd "$folder" && exec timeout 60 "$program" -window -nosound -nomusic "$@") 2>"$work/stderr"
}

# Writes the definition of a game in FOLDER: the application GRA, its episode EP and its one scene S1 (their
# folders made, empty).
one_scene_game() {
    mkdir -p "$1/Dane/EP/S1"
    cat >"$1/Dane/application.def" <<'EOF'
OBJECT=GRA
GRA:TYPE=APPLICATION
GRA:EPISODES=EP
GRA:STARTWITH=EP

OBJECT=EP
EP:TYPE=EPISODE
EP:PATH=EP
EP:SCENES=S1

OBJECT=S1
S1:TYPE=SCENE
S1:PATH=EP\S1
EOF
}
