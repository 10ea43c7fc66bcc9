# Running the Windows programs under wine as a Traditional-Chinese Windows user has them
# (scripts/windows-check.sh; on an X display of their own, scripts/windows-e2e.sh and
# scripts/screenshot-windows.sh). Source after common.sh. Every wait is bounded.
# shellcheck shell=bash

# shellcheck disable=SC2034  # used by the scripts that source this
WINE_PACKAGES=(wine wine64 xvfb xauth xdotool x11-utils fonts-arphic-uming locales unzip)

# Wine takes the ANSI code page (950) from the locale, and turns arguments into UTF-16 from
# its charset: zh_TW.UTF-8, compiled into build-mingw/ rather than installed into the system.
WINE_LOCALE_DIR=$ROOT/build-mingw/locale
wine_run() {
    env LOCPATH="$WINE_LOCALE_DIR" LC_ALL=zh_TW.UTF-8 wine "$@"
}
wine_locale() {
    if [ ! -d "$WINE_LOCALE_DIR/zh_TW.UTF-8" ]; then
        mkdir -p "$WINE_LOCALE_DIR"
        localedef -i zh_TW -f UTF-8 "$WINE_LOCALE_DIR/zh_TW.UTF-8"
    fi
}

# The dialog font and its Latin name as a free Ming face in $WINEPREFIX, or Chinese texts
# render as boxes.
wine_map_fonts() {
    local face
    for face in 新細明體 PMingLiU; do
        wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
            /d "AR PL UMing TW" /f >/dev/null 2>&1 || fail "cannot map the font $face"
    done
}

# wine_prefix DIR: $WINEPREFIX in DIR, made when missing, as a Traditional-Chinese Windows
# with the dialog font mapped to a free Ming face; one wine server, started before any run,
# serves every run until wine_server_end.
wine_prefix() {
    wine_locale
    export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all
    # No Mono or Gecko installer prompts, no menu entries written into $HOME.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX"
    wineserver -p || fail "cannot start wineserver"
    if [ ! -e "$WINEPREFIX/system.reg" ]; then
        echo "Creating the wine prefix in $WINEPREFIX" >&2
        timeout 300 env LOCPATH="$WINE_LOCALE_DIR" LC_ALL=zh_TW.UTF-8 wineboot --init \
            >"$WINEPREFIX/wineboot.log" 2>&1 || fail "wineboot --init failed or hung"
    fi
    wine_map_fonts
}

# wine_session_start DIR: an X server of its own (Xvfb, 96 dpi) and a fresh, private wine
# prefix in DIR/prefix. wine_session_end takes both down; call it from an EXIT trap.
wine_session_start() {
    # Xvfb picks a free display and tells which one through the descriptor.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp \
        3>"$1/display" >"$1/xvfb.log" 2>&1 &
    WINE_XVFB_PID=$!
    wait_until 10 test -s "$1/display" || fail "Xvfb did not start: $(cat "$1/xvfb.log")"
    DISPLAY=:$(cat "$1/display")
    export DISPLAY
    wine_prefix "$1/prefix"
}

wine_session_end() {
    wine_server_end
    [ -z "${WINE_XVFB_PID:-}" ] || kill "$WINE_XVFB_PID" 2>/dev/null || true
}

# Ends the wine server of $WINEPREFIX and removes the folder it leaves in /tmp.
wine_server_end() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        # Debian's wine names this prefix's server folder in the prefix.
        local server
        server=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
        [[ "$server" =~ ^wine-[A-Za-z0-9]+$ ]] && rm -rf "/tmp/$server"
    fi
    return 0
}

# windows_path PATH: the path as wine shows it to Windows programs (drive Z: is /).
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# wait_until SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds;
# fails once SECONDS have passed. gone COMMAND...: COMMAND fails (a window or a process
# that is no more).
wait_until() {
    local tenths=$(($1 * 10))
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
gone() { ! "$@" >/dev/null 2>&1; }

# visible_window NAME_REGEX [EXCLUDED_WIDS...]: prints the first visible window whose name
# matches, other than the excluded ones. wait_window NAME_REGEX SECONDS [EXCLUDED_WIDS...]
# waits for one.
visible_window() {
    local pattern=$1 wid excluded
    shift
    for wid in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true); do
        for excluded in "$@"; do [ "$wid" = "$excluded" ] && continue 2; done
        echo "$wid"
        return 0
    done
    return 1
}
wait_window() {
    local pattern=$1 seconds=$2
    shift 2
    wait_until "$seconds" visible_window "$pattern" "$@"
}

# wait_exit PID [SECONDS]: waits for a background job; its status, or 124 on timeout.
wait_exit() {
    wait_until "${2:-30}" gone kill -0 "$1" || return 124
    wait "$1"
}
