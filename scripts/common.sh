# Shared by run.sh and test.sh: install what is missing, configure and build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

install_packages() {
    local wanted missing=()
    wanted=$(grep -v '^\s*#' "$ROOT/scripts/packages.txt" | grep -v '^\s*$')
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        export DEBIAN_FRONTEND=noninteractive
        $sudo apt-get update -q
        $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

build_project() {
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}"
    fi
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

# Stops the process whose id a pid file holds (TERM, then KILL after five seconds) and removes the file.
stop_pid_file() {
    local file="$1" pid
    [ -f "$file" ] || return 0
    pid="$(cat "$file")"
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$file"
}

# Reports a server that did not start, with its log, stops what is left of it and ends the script.
give_up_start() {
    local what="$1" log="$2" pid_file="$3"
    echo "$what did not start; see $log" >&2
    cat "$log" >&2 || true
    stop_pid_file "$pid_file"
    exit 1
}

# The command line of a server script that defines start_server and stop_server.
run_server_command() {
    case "${1:-}" in
    start) start_server ;;
    stop) stop_server ;;
    *)
        echo "usage: $0 start|stop" >&2
        exit 2
        ;;
    esac
}

# Test servers of our own: free ports on 127.0.0.1 and waiting until a server answers.

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
