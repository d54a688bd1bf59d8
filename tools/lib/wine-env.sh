# Shared by tools/run and the test harness: a private Wine world with the Chinese code page.
# Source it; it defines functions only.

# The Windows build tree that Wine runs here. The launcher is a 32-bit program and is tested as one
# (preset win32) wherever this machine runs 32-bit programs. Some kernels refuse them outright
# ("Exec format error" for every i386 binary, Wine's loader included); there the same sources are
# built for x64 (preset win64) and run by wine64 in a 64-bit prefix. MRVN_WINDOWS_PRESET overrides.
mrvn_windows_preset() {
    if [ -n "${MRVN_WINDOWS_PRESET:-}" ]; then
        echo "$MRVN_WINDOWS_PRESET"
    elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo win32
    else
        echo win64
    fi
}

# Builds the zh_CN.UTF-8 locale into $1 unless it is there (the Debian image ships none).
mrvn_make_locale() {
    local dir=$1
    if [ ! -f "$dir/zh_CN.UTF-8/LC_CTYPE" ]; then
        mkdir -p "$dir"
        localedef -i zh_CN -f UTF-8 "$dir/zh_CN.UTF-8" 2>/dev/null || [ -f "$dir/zh_CN.UTF-8/LC_CTYPE" ]
    fi
}

# Exports the environment for a prefix $1, home $2 and locale folder $3.
mrvn_wine_env() {
    export WINEPREFIX=$1 HOME=$2 LOCPATH=$3
    export MRVN_WINDOWS_PRESET=${MRVN_WINDOWS_PRESET:-$(mrvn_windows_preset)}
    if [ "$MRVN_WINDOWS_PRESET" = win64 ]; then
        export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
        # Debian's wine script would pick the 32-bit loader; every "wine" below means wine64.
        mkdir -p "$HOME/.mrvn-bin"
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$HOME/.mrvn-bin/$name"
            chmod +x "$HOME/.mrvn-bin/$name"
        done
        case ":$PATH:" in *":$HOME/.mrvn-bin:"*) ;; *) export PATH="$HOME/.mrvn-bin:$PATH" ;; esac
    else
        export WINEARCH=win32
    fi
    { export LANG=zh_CN.UTF-8 LANGUAGE= WINEDEBUG=${WINEDEBUG:--all}; } 2>/dev/null
    # No Mono or Gecko prompts; no .desktop files written for shortcuts.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    { unset LC_ALL LC_CTYPE LC_MESSAGES; } 2>/dev/null
    # The preconfigured WinINet access would use these.
    unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY ftp_proxy all_proxy ALL_PROXY
}

# Starts Xvfb on a free display; sets MRVN_XVFB_PID and DISPLAY.
mrvn_start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    MRVN_XVFB_PID=$!
    local num=""
    read -r -t 20 num <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$num" ]; then
        echo "wine-env: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$num"
}

# Starts the window manager that MRVN_WM names on $DISPLAY (openbox by default; "none" starts none) and
# waits until it manages the screen; sets MRVN_WM_PID (empty for none). Openbox runs with the
# harness's own settings (tests/harness/openbox-rc.xml); any other name runs with its defaults.
mrvn_start_wm() {
    MRVN_WM_PID=""
    local wm=${MRVN_WM:-openbox} here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    case "$wm" in
    none) return 0 ;;
    openbox) openbox --sm-disable --config-file "$here/../../tests/harness/openbox-rc.xml" >/dev/null 2>&1 </dev/null & ;;
    *) "$wm" >/dev/null 2>&1 </dev/null & ;;
    esac
    MRVN_WM_PID=$!
    # An EWMH window manager announces itself on the root window once it has taken the screen.
    for _ in $(seq 100); do
        if timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then return 0; fi
        kill -0 "$MRVN_WM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "wine-env: window manager '$wm' did not take the screen" >&2
    kill "$MRVN_WM_PID" 2>/dev/null
    MRVN_WM_PID=""
    return 1
}

# Creates the prefix (when missing) and applies the settings the launcher's tests rely on.
mrvn_init_prefix() {
    if [ -f "$WINEPREFIX/system.reg" ]; then return 0; fi
    mkdir -p "$WINEPREFIX"
    timeout 300 wineboot -i >/dev/null 2>&1
    local reg="$WINEPREFIX/../mrvn-settings.reg"
    # regedit wants UTF-16LE with a BOM for the Chinese names.
    {
        printf '\xff\xfe'
        iconv -f UTF-8 -t UTF-16LE <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"Tahoma"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"宋体"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"微软雅黑"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

; No crash dialog and no debugger: a debugger that cannot start lets a crashed program end.
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"="mrvn-no-debugger.exe"
"Auto"="1"
REG
    } >"$reg"
    timeout 120 wine regedit /S "$reg" >/dev/null 2>&1
    rm -f "$reg"
}

# A private PulseAudio in folder $1 with one null sink, "mrvn_sink": a sound device for Wine without
# hardware, whose monitor source records what was really played. Nothing of the machine's own sound
# set-up is used. Sets MRVN_PULSE_PID (stop only that) and exports PULSE_SERVER.
mrvn_start_pulse() {
    local dir=$1
    mkdir -p "$dir/run"
    chmod 700 "$dir/run"
    XDG_RUNTIME_DIR=$dir/run PULSE_RUNTIME_PATH=$dir/run HOME=$dir \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=false \
        -L "module-null-sink sink_name=mrvn_sink rate=44100" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/run/native" \
        >"$dir/pulse.log" 2>&1 </dev/null &
    MRVN_PULSE_PID=$!
    for _ in $(seq 100); do [ -S "$dir/run/native" ] && break; sleep 0.1; done
    if [ ! -S "$dir/run/native" ]; then
        kill "$MRVN_PULSE_PID" 2>/dev/null
        MRVN_PULSE_PID=""
        return 1
    fi
    export PULSE_SERVER="unix:$dir/run/native"
}
