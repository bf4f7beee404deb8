#!/usr/bin/env bash
# Writes a Firebird root folder over the packaged engine, plugins and messages whose UDR engine also
# loads our own modules from build/udr (the server-side file procedures). The test server runs on such
# a root, and isql-fb gets one (FIREBIRD=DIR) to load schema scripts that declare those procedures:
# the engine opens a UDR module already when a routine of it is created.
#
#   scripts/fbroot.sh DIR        DIR is replaced; firebird.conf is left to the caller (empty: defaults)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
TARGET="${1:?usage: $0 DIR}"

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

lib="$(find_fb_lib)"
rm -rf "$TARGET"
mkdir -p "$TARGET"
ln -s "$lib/plugins" "$TARGET/plugins"
# The character sets module must lie in our root itself: the engine compares the path it loaded
# with the one its configuration names and ignores a module reached through a link.
mkdir -p "$TARGET/intl"
cp "$lib/intl/libfbintl.so" "$TARGET/intl/libfbintl.so"
cp "$lib/intl/fbintl.conf" "$TARGET/intl/fbintl.conf"
ln -s "$lib/firebird.msg" "$TARGET/firebird.msg"
: >"$TARGET/firebird.conf"
cat >"$TARGET/plugins.conf" <<CONF
Plugin = UDR {
    Module = \$(dir_plugins)/udr_engine
    Config = UDR_config
}
Config = UDR_config {
    path = $BUILD_DIR/udr
    path = \$(dir_plugins)/udr
}
CONF
