#!/usr/bin/env bash
# The loopback relay servers for the communication tests (scripts/relayservers.py on Debian's python3):
# FTP, the status service over TLS and a control port, all on 127.0.0.1 on free ports. A test CA and a
# certificate for 127.0.0.1 are made with openssl below the build folder, and a second CA that did not
# sign it, for the tests that must fail verification.
#
#   scripts/relayservers.sh start   prints the path of the ini file with host, ports and CA files
#   scripts/relayservers.sh stop
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
DIR="$BUILD_DIR/relayservers"
PID_FILE="$DIR/server.pid"
INI="$DIR/relay.ini"
LOG_FILE="$DIR/server.log"

make_certificates() {
    [ -f "$DIR/server.pem" ] && [ -f "$DIR/other-ca.pem" ] && return 0
    (
        cd "$DIR"
        openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=QV test relay CA" \
            -keyout ca.key -out ca.pem
        openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=QV other CA" \
            -keyout other-ca.key -out other-ca.pem
        openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr
        printf 'subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' >server.ext
        openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
            -extfile server.ext -out server.pem
    ) >>"$LOG_FILE" 2>&1
}

stop_server() {
    stop_pid_file "$PID_FILE"
}

start_server() {
    stop_server
    mkdir -p "$DIR"
    : >"$LOG_FILE"
    rm -f "$INI"
    make_certificates
    /usr/bin/python3 "$ROOT/scripts/relayservers.py" --dir "$DIR" --cert "$DIR/server.pem" \
        --key "$DIR/server.key" --ca "$DIR/ca.pem" --other-ca "$DIR/other-ca.pem" --ini "$INI" \
        >>"$LOG_FILE" 2>&1 &
    echo $! >"$PID_FILE"
    for _ in $(seq 1 100); do
        if [ -f "$INI" ]; then
            echo "$INI"
            return 0
        fi
        kill -0 "$(cat "$PID_FILE")" 2>/dev/null || break
        sleep 0.1
    done
    give_up_start "the relay servers" "$LOG_FILE" "$PID_FILE"
}

run_server_command "$@"
