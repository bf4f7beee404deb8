#!/usr/bin/env bash
# Runs the wizard under a virtual X server on the demo data root and saves a PNG picture of the logon
# dialog, of every wizard page, of the output file's save dialog, of the page set-up dialog and of the
# open dialog into the folder given, and the pages of the printed dataset list (portrait and landscape)
# as PNG pictures:
#
#   tests/wizard_screenshots.sh OUTPUT_FOLDER [DATA_ROOT]
# DATA_ROOT defaults to the demo data root of ./run.sh (made by make_demo_data when missing). The
# environment variable DISPLAY_NUMBER picks the virtual display (default 45). Needs a build (./run.sh or
# ./test.sh), Xvfb and pdftoppm.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 OUTPUT_FOLDER [DATA_ROOT]" >&2
    exit 2
fi
OUT="$1"
mkdir -p "$OUT"
DATA_ROOT="${2:-}"
for tool in make_demo_data wizard_screenshots; do
    if [ ! -x "$BUILD_DIR/bin/$tool" ]; then
        echo "$BUILD_DIR/bin/$tool is missing: build first" >&2
        exit 2
    fi
done
"$BUILD_DIR/bin/make_demo_data" --if-missing ${DATA_ROOT:+"$DATA_ROOT"}

DISPLAY_NUMBER="${DISPLAY_NUMBER:-45}"
READY="$(mktemp)"
# Xvfb writes the display number to the file once it accepts connections.
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$READY" >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; rm -f "$READY"' EXIT
for _ in $(seq 100); do
    [ -s "$READY" ] && break
    if ! kill -0 "$XVFB_PID" 2>/dev/null; then
        echo "Xvfb did not start on display :$DISPLAY_NUMBER (set DISPLAY_NUMBER to a free one)" >&2
        exit 2
    fi
    sleep 0.1
done
status=0
# A Japanese accountant's desktop: dates and numbers in the file dialog as in Japan.
DISPLAY=":$DISPLAY_NUMBER" QT_QPA_PLATFORM=xcb LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
    "$BUILD_DIR/bin/wizard_screenshots" "$OUT" ${DATA_ROOT:+"$DATA_ROOT"} ||
    status=$?
# The printed list's pages, looked at as pictures.
for pdf in "$OUT"/datalist_*.pdf; do
    [ -f "$pdf" ] && pdftoppm -r 100 -png "$pdf" "${pdf%.pdf}"
done
exit "$status"
