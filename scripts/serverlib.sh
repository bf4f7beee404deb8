# Shared by the scripts that start test servers of our own: free ports on 127.0.0.1 and stopping a server
# by its pid file. Sourced, not run.

port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# free_port FIRST WHAT: the first free port from FIRST on (20 tried), or an error naming WHAT.
free_port() {
    local port="$1"
    for _ in $(seq 1 20); do
        if port_free "$port"; then
            echo "$port"
            return 0
        fi
        port=$((port + 1))
    done
    echo "no free port for the $2" >&2
    exit 1
}

# stop_pidfile FILE: ends the process named in FILE (TERM, then KILL after ten seconds) and removes FILE.
stop_pidfile() {
    if [ -f "$1" ]; then
        local pid
        pid="$(cat "$1")"
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 1 100); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$1"
    fi
}

listening() {
    ! port_free "$1"
}

# wait_ready PIDFILE COMMAND...: waits up to 30 seconds until COMMAND succeeds; fails at once when the
# process named in PIDFILE has ended.
wait_ready() {
    local pidfile="$1"
    shift
    for _ in $(seq 1 300); do
        "$@" && return 0
        kill -0 "$(cat "$pidfile")" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
