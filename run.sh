#!/usr/bin/env bash
# Installs what is missing, builds, prepares a demo data root when there is none, and starts the program.
source "$(dirname "$0")/scripts/common.sh"
install_packages
build_project
if [ -x "$BUILD_DIR/bin/make_demo_data" ]; then
    "$BUILD_DIR/bin/make_demo_data" --if-missing
fi
exec "$BUILD_DIR/bin/qv21tohj19_g" "$@"
