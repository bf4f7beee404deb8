#!/usr/bin/env bash
# Installs what is missing, builds and runs every test through ctest.
source "$(dirname "$0")/scripts/common.sh"
install_packages
build_project
export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 "$@"
