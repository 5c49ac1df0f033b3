# The end-to-end harness: real programs on a private X display (Xvfb), driven with xdotool.
# Source this file, then:
#
#   e2e_begin OUTDIR             start a display; logs and screenshots go to OUTDIR
#   e2e_start CMD [ARGS...]      start a program on it (one at a time); E2E_PID is its pid
#   e2e_wait_window TITLE [S]    wait up to S seconds (10) for a shown window titled exactly
#                                TITLE (an extended regular expression); prints its id
#   e2e_wait_class NAME [S]      the same for the topmost shown window of a program (its
#                                WM_CLASS instance name, the executable's name): the way to
#                                find a message box with an empty title, which has no WM_NAME
#   e2e_key WID KEY...           give WID the keyboard, then press keys ("Return", "ctrl+q")
#   e2e_keydown KEY / e2e_keyup KEY   hold a key (for 30 s at most) until released; one
#                                key at a time, no window needed
#   e2e_click WID X Y            click at X, Y in the window's coordinates
#   e2e_screenshot NAME          save the whole screen as OUTDIR/NAME.png (a failed check
#                                when it cannot)
#   e2e_wait_exit [S]            wait up to S seconds (10) for the program and set E2E_STATUS
#                                to its exit status, or kill it, set "timeout" and fail
#   e2e_expect NAME ACTUAL WANTED   count a failed check when ACTUAL is not WANTED
#   e2e_expect_exit NAME WANTED [S] e2e_wait_exit, then e2e_expect on the status
#   e2e_end                      stop everything; its status is the number of failed checks
#
# The program is a child of the shell that sourced this file: call e2e_start, e2e_wait_exit
# and e2e_keydown there, never inside "$(...)", whose subshell cannot wait for it.
#
# Every step is bounded in time. Facts of a display with no window manager: a window gets
# the keyboard only through `xdotool windowfocus`, and held keys are seen by the program
# even with no window open. A missing tool makes e2e_begin exit 77 (skipped).

E2E_OUT=""
E2E_PID=""
E2E_STATUS=""
E2E_XVFB_PID=""
E2E_HOLDER_PID=""
E2E_HELD_KEY=""
E2E_RUNS=0
E2E_FAILURES=0

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }

e2e_begin() {
    local tool
    for tool in Xvfb xdotool import timeout; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            e2e_log "skipped: $tool is not installed"
            exit 77
        fi
    done
    E2E_OUT=$1
    rm -rf "$E2E_OUT"
    mkdir -p "$E2E_OUT/xdg"
    chmod 700 "$E2E_OUT/xdg"
    export XDG_RUNTIME_DIR="$E2E_OUT/xdg"
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    # A display number of our own, away from the low ones other tools take by default; a
    # number in use makes Xvfb exit at once, and the next one is tried.
    local display=$((100 + RANDOM % 800)) attempt waited
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        display=$((display + 1))
        [ -e "/tmp/.X$display-lock" ] && continue
        # -noreset: the server would otherwise reset as each program leaves, and the next
        # program could start in that moment and find no display.
        Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$E2E_OUT/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        for waited in $(seq 50); do
            if ! kill -0 "$E2E_XVFB_PID" 2>/dev/null; then break; fi
            # Ready, and the display is ours: its lock file names our server.
            if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$display-lock")" = "$E2E_XVFB_PID" ] &&
                DISPLAY=":$display" timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1; then
                export DISPLAY=":$display"
                e2e_log "display $DISPLAY, output in $E2E_OUT"
                return 0
            fi
            sleep 0.1
        done
        kill -TERM "$E2E_XVFB_PID" 2>/dev/null; wait "$E2E_XVFB_PID" 2>/dev/null
        E2E_XVFB_PID=""
    done
    e2e_log "Xvfb did not start"; cat "$E2E_OUT/xvfb.log" >&2
    exit 1
}

e2e_start() {
    E2E_RUNS=$((E2E_RUNS + 1))
    "$@" >"$E2E_OUT/run$E2E_RUNS.out" 2>"$E2E_OUT/run$E2E_RUNS.err" &
    E2E_PID=$!
    e2e_log "run $E2E_RUNS: $* (pid $E2E_PID)"
}

# e2e_search_shown SECONDS ARGS... waits for `xdotool search --onlyvisible ARGS` to find a
# window and prints the topmost one found (the last in stacking order).
e2e_search_shown() {
    local seconds=$1 tries=0 id; shift
    while [ "$tries" -lt $((seconds * 10)) ]; do
        id=$(timeout 5 xdotool search --onlyvisible "$@" 2>/dev/null | tail -n1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        if [ -n "$E2E_PID" ] && ! kill -0 "$E2E_PID" 2>/dev/null; then break; fi
        sleep 0.1; tries=$((tries + 1))
    done
    e2e_log "no shown window: $*"
    return 1
}

e2e_wait_window() { e2e_search_shown "${2:-10}" --name "^${1}\$"; }

e2e_wait_class() { e2e_search_shown "${2:-10}" --classname "^${1}\$"; }

e2e_key() {
    local window=$1; shift
    timeout 5 xdotool windowfocus --sync "$window" || timeout 5 xdotool windowfocus "$window"
    timeout 5 xdotool key --delay 50 "$@"
}

# xdotool lets go of its keys when it ends, so a holder xdotool stays after the key press,
# running a sleep that e2e_keyup ends; the sleep's pid in the marker file says the key is down.
e2e_keydown() {
    local marker="$E2E_OUT/holding" tries=0
    rm -f "$marker"
    xdotool keydown "$1" exec --sync sh -c 'echo $$ >"$1.new" && mv "$1.new" "$1" && exec sleep 30' sh "$marker" &
    E2E_HOLDER_PID=$! E2E_HELD_KEY=$1
    while [ ! -s "$marker" ] && [ "$tries" -lt 50 ]; do sleep 0.1; tries=$((tries + 1)); done
    [ -s "$marker" ] || { e2e_log "no key held: $1"; return 1; }
}

e2e_keyup() {
    [ -s "$E2E_OUT/holding" ] && kill "$(cat "$E2E_OUT/holding")" 2>/dev/null
    rm -f "$E2E_OUT/holding"
    if [ -n "$E2E_HOLDER_PID" ]; then wait "$E2E_HOLDER_PID" 2>/dev/null; fi
    E2E_HOLDER_PID="" E2E_HELD_KEY=""
    timeout 5 xdotool keyup "$1"
}

e2e_click() {
    timeout 5 xdotool mousemove --window "$1" "$2" "$3" click 1
}

e2e_screenshot() {
    timeout 20 import -window root "$E2E_OUT/$1.png"
    e2e_expect "screenshot $1" "$([ -s "$E2E_OUT/$1.png" ] && echo saved)" saved
}

e2e_wait_exit() {
    local seconds=${1:-10} tries=0
    E2E_STATUS=""
    while kill -0 "$E2E_PID" 2>/dev/null; do
        if [ "$tries" -ge $((seconds * 10)) ]; then
            kill -TERM "$E2E_PID" 2>/dev/null; sleep 0.5; kill -KILL "$E2E_PID" 2>/dev/null
            wait "$E2E_PID" 2>/dev/null
            E2E_PID="" E2E_STATUS=timeout
            return 1
        fi
        sleep 0.1; tries=$((tries + 1))
    done
    wait "$E2E_PID"; E2E_STATUS=$?
    E2E_PID=""
}

e2e_expect() {
    if [ "$2" = "$3" ]; then
        e2e_log "ok: $1"
    else
        e2e_log "FAILED: $1: got \"$2\", wanted \"$3\""
        E2E_FAILURES=$((E2E_FAILURES + 1))
    fi
}

e2e_expect_exit() {
    e2e_wait_exit "${3:-10}"
    e2e_expect "$1" "$E2E_STATUS" "$2"
}

e2e_end() {
    trap - EXIT
    [ -n "$E2E_HELD_KEY" ] && e2e_keyup "$E2E_HELD_KEY"
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill -KILL "$E2E_PID" 2>/dev/null; wait "$E2E_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill -TERM "$E2E_XVFB_PID" 2>/dev/null; wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    E2E_PID="" E2E_XVFB_PID=""
    e2e_log "$E2E_FAILURES failed"
    exit "$E2E_FAILURES"
}
