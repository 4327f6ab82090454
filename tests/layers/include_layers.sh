#!/usr/bin/env bash
# Fails when an #include crosses the layers of ramimage/: the engine
# (ramimage/ itself) and the formats see nothing of the rimage command, the
# Tk/X bridges, the program kit or the programs; the kit sees nothing of the
# command or the bridges; the bridges nothing of the command.
set -u
src=${1:-$(dirname "$0")/../..}
cd "$src" || exit 2
status=0

# check FILES... -- PATTERN DESCRIPTION
check() {
    local pattern=$1 what=$2; shift 2
    local hits
    hits=$(grep -Hn -E "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"($pattern)" "$@" 2>/dev/null)
    if [ -n "$hits" ]; then
        echo "$what:"
        echo "$hits"
        status=1
    fi
}

shopt -s nullglob
engine=(ramimage/*.cpp ramimage/*.h ramimage/*.c ramimage/formats/*)
kit=(ramimage/kit/*)
bridges=(ramimage/bridges/*)
check 'ramimage/(command|bridges|kit)/|programs/' \
    "the engine and the formats include an upper layer" "${engine[@]}"
check 'ramimage/(command|bridges)/|programs/' \
    "the program kit includes the command, the bridges or a program" "${kit[@]}"
check 'ramimage/command/|programs/' \
    "the bridges include the command or a program" "${bridges[@]}"
[ $status -eq 0 ] && echo "ramimage layers hold"
exit $status
