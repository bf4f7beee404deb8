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
