#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through ctest. The client/server tests run
# against a Firebird server of our own on 127.0.0.1 (scripts/fbserver.sh), the cloud dump tests against a
# MariaDB server of our own (scripts/mariadb.sh), the communication tests against relay servers of our own
# (scripts/relayservers.sh); all are stopped again at the end.
source "$(dirname "$0")/scripts/common.sh"
install_packages
build_project
export QT_QPA_PLATFORM=offscreen
QV_FB_SERVER="$("$ROOT/scripts/fbserver.sh" start)"
export QV_FB_SERVER
trap '"$ROOT/scripts/fbserver.sh" stop' EXIT
# The relay servers of the communication tests (FTP, status service, control port).
QV_RELAY_SERVERS="$("$ROOT/scripts/relayservers.sh" start)"
export QV_RELAY_SERVERS
trap '"$ROOT/scripts/fbserver.sh" stop; "$ROOT/scripts/relayservers.sh" stop' EXIT
# MariaDB loads the cloud analysis dump in its tests (QV_MARIADB: "host:port:socket").
QV_MARIADB="$("$ROOT/scripts/mariadb.sh" start)"
export QV_MARIADB
trap '"$ROOT/scripts/mariadb.sh" stop; "$ROOT/scripts/fbserver.sh" stop; "$ROOT/scripts/relayservers.sh" stop' EXIT
cd "$BUILD_DIR"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 "$@"
