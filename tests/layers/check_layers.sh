#!/usr/bin/env bash
# Fails when a source file includes a folder above its own layer:
#   engine                 nothing of ours
#   game                   the engine, and of graphics/ only the half without
#                          OpenGL (graphics/codecs, graphics/shaders)
#   graphics, sound        the engine
#   server                 game (and the no-OpenGL half of graphics)
#   client, ui             game, graphics and sound; never the server nor the
#                          server's Game (game/world/Game.h)
#   editors                the interface and what it stands on
# Usage: check_layers.sh <source root>
set -u
root=${1:?usage: check_layers.sh <source root>}
cd "$root" || exit 2

tops="engine game graphics sound server client ui editors main tools"
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](\.\./)*'
status=0

includes() { # <folder> <regex after the include's opening>
    grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.inl' "$include$2" "$1"
}

report() { # <folder> <lines>
    if [ -n "$2" ]; then
        echo "$1/ includes what lies above it:"
        echo "$2"
        status=1
    fi
}

# check <folder> <top folders it may include> [no-gl] [no-game-object]
check() {
    local dir=$1 allowed=" $2 " top found
    shift 2
    [ -d "$dir" ] || return 0
    for top in $tops; do
        case "$allowed" in *" $top "*) continue ;; esac
        report "$dir" "$(includes "$dir" "$top/")"
    done
    for rule in "$@"; do
        case $rule in
        no-gl) found=$(includes "$dir" "graphics/" | grep -vE '#[[:space:]]*include[[:space:]]*[<"](\.\./)*graphics/(codecs|shaders)/') ;;
        no-game-object) found=$(includes "$dir" 'game/world/Game\.h') ;;
        esac
        report "$dir" "$found"
    done
}

check engine "engine"
check game "engine game graphics" no-gl
check graphics "engine graphics"
check sound "engine sound"
check server "engine game graphics server" no-gl
check client "engine game graphics sound client" no-game-object
check ui "engine game graphics sound client ui" no-game-object
check editors "engine game graphics sound client ui editors" no-game-object

exit $status
