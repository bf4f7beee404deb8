#!/usr/bin/env bash
# A MariaDB server of our own for the tests that load the cloud analysis dump: its own data folder, socket
# and port below the build folder, on 127.0.0.1 only. No system service is started or changed.
#
#   scripts/mariadb.sh start   prints the connection ("127.0.0.1:PORT:SOCKET") on success
#   scripts/mariadb.sh stop
#
# QV_MARIADB_PORT chooses the first port tried (default 33306); a port in use is skipped. The server
# trusts the local root user without a password, through the socket and over TCP.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
SERVER_DIR="$BUILD_DIR/mariadb"
DATA_DIR="$SERVER_DIR/data"
PID_FILE="$SERVER_DIR/server.pid"
SOCKET="$SERVER_DIR/mysqld.sock"
LOG_FILE="$SERVER_DIR/server.log"

stop_server() {
    stop_pid_file "$PID_FILE"
}

ready() {
    [ -S "$SOCKET" ] && listening "$1" && mariadb --no-defaults -uroot --socket="$SOCKET" -e 'SELECT 1' >/dev/null 2>&1
}

start_server() {
    local server install port user_opt=()
    server="$(command -v mariadbd || echo /usr/sbin/mariadbd)"
    install="$(command -v mariadb-install-db || command -v mysql_install_db)"
    stop_server
    rm -f "$SOCKET"
    mkdir -p "$SERVER_DIR/tmp"
    : >"$LOG_FILE"
    # The server refuses to run as root unless told to.
    [ "$(id -u)" -eq 0 ] && user_opt=(--user=root)
    # The system tables are made once; a later start reuses them (tests name their databases uniquely).
    if [ ! -d "$DATA_DIR/mysql" ]; then
        rm -rf "$DATA_DIR"
        mkdir -p "$DATA_DIR"
        "$install" --no-defaults --datadir="$DATA_DIR" --auth-root-authentication-method=normal \
            --skip-test-db "${user_opt[@]}" >>"$LOG_FILE" 2>&1
    fi
    port="$(free_port "${QV_MARIADB_PORT:-33306}" "MariaDB server")"
    "$server" --no-defaults --datadir="$DATA_DIR" --socket="$SOCKET" --port="$port" \
        --bind-address=127.0.0.1 --pid-file="$SERVER_DIR/mariadbd.pid" --tmpdir="$SERVER_DIR/tmp" \
        --skip-name-resolve --innodb-buffer-pool-size=32M --innodb-log-file-size=16M \
        --max-allowed-packet=64M --character-set-server=utf8mb4 --log-error="$LOG_FILE" \
        "${user_opt[@]}" >>"$LOG_FILE" 2>&1 &
    echo $! >"$PID_FILE"
    if wait_ready "$PID_FILE" ready "$port"; then
        echo "127.0.0.1:$port:$SOCKET"
        return 0
    fi
    echo "the MariaDB server did not start; see $LOG_FILE" >&2
    cat "$LOG_FILE" >&2 || true
    stop_server
    exit 1
}

case "${1:-}" in
start) start_server ;;
stop) stop_server ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
