#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests, with a Wine prefix and home that are
# temporary folders, never the user's own (Wine writes menu entries and settings there).
#
#   tools/wine-run.sh PROGRAM.exe [ARGS...]   run one program; WINEPREFIX (made by --session)
#                                             and HOME must be set to temporary folders
#   tools/wine-run.sh --session COMMAND...    make a fresh prefix and home in a temporary folder,
#                                             run COMMAND with them exported, remove them at the end
#
# The exit code is the program's (the Windows exit code modulo 256).
set -euo pipefail

wine_loader() {
    if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64
    elif command -v wine64 >/dev/null; then command -v wine64
    else command -v wine
    fi
}

temp_root=$(realpath -m "${TMPDIR:-/tmp}")
account_home=$(getent passwd "$(id -u)" | cut -d: -f6)

# A folder counts as temporary when it lies inside the temporary-files folder.
is_temporary() {
    local path
    [ -n "${1:-}" ] && [ -d "$1" ] || return 1
    path=$(realpath "$1")
    case "$path/" in "$temp_root"/?*) ;; *) return 1 ;; esac
    [ "$path" != "$(realpath -m "$account_home")" ]
}

# Quiet unless asked otherwise; menu entries never, with whatever libraries the caller turns off.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

if [ "${1:-}" = --session ]; then
    shift
    [ $# -gt 0 ] || { echo "wine-run.sh: --session needs a command" >&2; exit 2; }
    session=$(mktemp -d "$temp_root/quillbeck-wine.XXXXXX")
    export WINEPREFIX="$session/prefix" HOME="$session/home"
    export XDG_CACHE_HOME="$HOME/.cache" XDG_CONFIG_HOME="$HOME/.config" \
        XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
    mkdir -p "$HOME"
    finish() {
        # The prefix's own server outlives its programs; end it before its folder goes.
        WINEPREFIX="$session/prefix" wineserver -k 2>/dev/null || true
        WINEPREFIX="$session/prefix" wineserver -w 2>/dev/null || true
        rm -rf "$session"
    }
    trap finish EXIT
    echo "Making a Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    status=0
    "$@" || status=$?
    exit "$status"
fi

[ $# -gt 0 ] || { echo "usage: wine-run.sh PROGRAM.exe [ARGS...] | --session COMMAND..." >&2; exit 2; }
if ! is_temporary "${WINEPREFIX:-}" || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run.sh: WINEPREFIX must be a Wine prefix in a temporary folder under $temp_root" \
        "(run through 'tools/wine-run.sh --session ...')" >&2
    exit 125
fi
if ! is_temporary "${HOME:-}"; then
    echo "wine-run.sh: HOME must be a temporary folder under $temp_root, not the user's" >&2
    exit 125
fi
exec "$(wine_loader)" "$@"
