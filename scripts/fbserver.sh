#!/usr/bin/env bash
# A Firebird server of our own for the client/server tests: SuperServer on 127.0.0.1 with its own port,
# configuration, lock folder and security database (user PELLAN / vintor), all below the build folder.
# Nothing of the installed Firebird configuration is changed and no system service is started.
#
#   scripts/fbserver.sh start   prints the connection ("127.0.0.1/PORT") on success
#   scripts/fbserver.sh stop
#
# QV_FB_PORT chooses the first port tried (default 30550); a port in use is skipped.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
SERVER_DIR="$BUILD_DIR/fbserver"
FB_ROOT="$SERVER_DIR/root"
PID_FILE="$SERVER_DIR/server.pid"
PORT_FILE="$SERVER_DIR/port"
LOG_FILE="$SERVER_DIR/server.log"
DB_USER=PELLAN
DB_PASSWORD=vintor

# The packaged engine, plugins and messages; only our own configuration differs.
find_fb_lib() {
    local d
    for d in /usr/lib/x86_64-linux-gnu/firebird/3.0 /usr/lib/*/firebird/3.0 /usr/lib/firebird/3.0 /opt/firebird; do
        if [ -d "$d/plugins" ]; then
            echo "$d"
            return
        fi
    done
    echo "Firebird 3 libraries not found" >&2
    exit 1
}

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

port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

server_env() {
    export FIREBIRD="$FB_ROOT"
    export FIREBIRD_LOCK="$SERVER_DIR/lock"
    export FIREBIRD_TMP="$SERVER_DIR/tmp"
}

write_root() {
    local lib port="$1"
    lib="$(find_fb_lib)"
    rm -rf "$FB_ROOT"
    mkdir -p "$FB_ROOT" "$SERVER_DIR/lock" "$SERVER_DIR/tmp"
    ln -s "$lib/plugins" "$FB_ROOT/plugins"
    # The character sets module must lie in our root itself: the engine compares the path it loaded
    # with the one its configuration names and ignores a module reached through a link.
    mkdir -p "$FB_ROOT/intl"
    cp "$lib/intl/libfbintl.so" "$FB_ROOT/intl/libfbintl.so"
    cp "$lib/intl/fbintl.conf" "$FB_ROOT/intl/fbintl.conf"
    ln -s "$lib/firebird.msg" "$FB_ROOT/firebird.msg"
    : >"$FB_ROOT/plugins.conf"
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
    if [ -f "$PID_FILE" ]; then
        local pid
        pid="$(cat "$PID_FILE")"
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 1 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$PID_FILE"
    fi
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
    echo "the Firebird server did not start; see $LOG_FILE" >&2
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
