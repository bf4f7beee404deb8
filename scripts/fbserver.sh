#!/usr/bin/env bash
# A Firebird server of our own for the client/server tests: SuperServer on 127.0.0.1 with its own port,
# configuration, lock folder and security database (user PELLAN / vintor), all below the build folder.
# Its UDR engine loads the server-side file procedures from build/udr.
# Nothing of the installed Firebird configuration is changed and no system service is started.
#
#   scripts/fbserver.sh start   prints the connection ("127.0.0.1/PORT") on success
#   scripts/fbserver.sh stop
#
# QV_FB_PORT chooses the first port tried (default 30550); a port in use is skipped.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
SERVER_DIR="$BUILD_DIR/fbserver"
FB_ROOT="$SERVER_DIR/root"
PID_FILE="$SERVER_DIR/server.pid"
PORT_FILE="$SERVER_DIR/port"
LOG_FILE="$SERVER_DIR/server.log"
DB_USER=PELLAN
DB_PASSWORD=vintor

find_program() {
    local p
    for p in "$@"; do
        if command -v "$p" >/dev/null 2>&1; then
            command -v "$p"
            return
        fi
        if [ -x "$p" ]; then
            echo "$p"
            return
        fi
    done
    echo "none of $* found" >&2
    exit 1
}

server_env() {
    export FIREBIRD="$FB_ROOT"
    export FIREBIRD_LOCK="$SERVER_DIR/lock"
    export FIREBIRD_TMP="$SERVER_DIR/tmp"
}

write_root() {
    local port="$1"
    # The packaged engine, plugins and messages, and our UDR modules; only our own configuration differs.
    BUILD_DIR="$BUILD_DIR" "$ROOT/scripts/fbroot.sh" "$FB_ROOT"
    mkdir -p "$SERVER_DIR/lock" "$SERVER_DIR/tmp"
    cat >"$FB_ROOT/firebird.conf" <<EOF
ServerMode = Super
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $FB_ROOT/security3.fdb
AuthServer = Srp256, Srp
AuthClient = Srp256, Srp
UserManager = Srp
WireCrypt = Enabled
DatabaseAccess = Full
UdfAccess = None
GuardianOption = 0
EOF
    cat >"$FB_ROOT/databases.conf" <<EOF
security.db = $FB_ROOT/security3.fdb
{
    RemoteAccess = false
}
EOF
}

create_security_db() {
    local isql
    isql="$(find_program isql-fb isql /usr/bin/isql-fb)"
    # The embedded engine trusts the name it is given; the database is its own security database.
    "$isql" -q -user SYSDBA <<EOF >>"$LOG_FILE" 2>&1
CREATE DATABASE '$FB_ROOT/security3.fdb';
CREATE USER $DB_USER PASSWORD '$DB_PASSWORD' GRANT ADMIN ROLE;
GRANT CREATE DATABASE TO USER $DB_USER;
COMMIT;
CREATE GLOBAL MAPPING QV_ADMIN USING PLUGIN SRP FROM USER $DB_USER TO ROLE RDB\$ADMIN;
COMMIT;
EOF
}

stop_server() {
    stop_pid_file "$PID_FILE"
}

start_server() {
    local server port
    server="$(find_program /usr/sbin/firebird firebird)"
    stop_server
    mkdir -p "$SERVER_DIR"
    : >"$LOG_FILE"
    port="${QV_FB_PORT:-30550}"
    for _ in $(seq 1 20); do
        port_free "$port" && break
        port=$((port + 1))
    done
    port_free "$port" || { echo "no free port for the Firebird server" >&2; exit 1; }
    write_root "$port"
    server_env
    create_security_db
    "$server" >>"$LOG_FILE" 2>&1 &
    echo $! >"$PID_FILE"
    echo "$port" >"$PORT_FILE"
    for _ in $(seq 1 100); do
        if ! port_free "$port"; then
            echo "127.0.0.1/$port"
            return 0
        fi
        if ! kill -0 "$(cat "$PID_FILE")" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    give_up_start "the Firebird server" "$LOG_FILE" "$PID_FILE"
}

run_server_command "$@"
