#!/usr/bin/env bash
# docs/mainwindow-windows.png: the Windows program's main window under Wine,
# drawn by Qt's windows platform plugin on a virtual X display, connected to
# the simulated detector (--demo), under a window manager so that it has its
# title bar. Run build.sh first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$WIN_HERE/../common.sh"
install_missing xvfb imagemagick openbox

CACHE=$(win64_cache)
WINEPREFIX=$(mktemp -d /tmp/zorvel-wine-shot.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
path=()
for dir in "$CACHE/qt/bin" "${MINGW_RUNTIME_DIRS[@]}"; do path+=("$(wine_path "$dir")"); done
WINEPATH=$(IFS=';'; echo "${path[*]}")
# Wine passes no QT_* variable to a Windows program; WINEQT_* arrive as QT_*.
export WINEPATH WINEQT_PLUGIN_PATH=$(wine_path "$CACHE/qt/plugins")
unset WINEQT_QPA_PLATFORM

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 800x600x24 -br -nolisten tcp &
xvfb=$!
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    kill "${wm:-}" "$xvfb" 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1
openbox &
wm=$!
wine_prefix
(cd "$WIN_BUILD" && "$WINE" zorvel-configurator.exe --demo --lang ru) &
# Start-up, the first handshake at half a second, the read after it.
sleep "${ZORVEL_SHOT_WAIT:-12}"
# The black root around the window and its frame is cut away.
import -display "$display" -window root -trim +repage "$ROOT/docs/mainwindow-windows.png"
echo "$ROOT/docs/mainwindow-windows.png"
