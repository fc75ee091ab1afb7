# Helpers for running Windows programs under Wine on a virtual X display.
# Sourced by the end-to-end tests and the demo.

# Starts Xvfb on the first free display unless DISPLAY is already usable
# (screen NV_XVFB_SCREEN, 1280x900x24 unless set);
# sets DISPLAY and XVFB_PID (empty when an existing display is used).
xvfb_start() {
    XVFB_PID=""
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "${NV_XVFB_SCREEN:-1280x900x24}" -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 1 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
    done
    echo "could not start Xvfb" >&2
    return 1
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}

# Waits until a top-level window with exactly this title exists; prints its id.
wait_for_window() {  # title, seconds
    local title=$1 seconds=${2:-30} i id
    for i in $(seq 1 $((seconds * 4))); do
        id=$(xdotool search --name "^${title}\$" 2>/dev/null | head -1)
        if [ -n "$id" ]; then
            printf '%s\n' "$id"
            return 0
        fi
        sleep 0.25
    done
    return 1
}

# Saves a PNG of one window (or of the whole screen without an id).
screenshot() {  # file [window-id]
    if [ -n "${2:-}" ]; then
        import -window "$2" "$1" 2>/dev/null || import -window root "$1"
    else
        import -window root "$1"
    fi
}
