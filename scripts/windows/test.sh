#!/usr/bin/env bash
# Runs the Windows build under Wine, in a Wine prefix of its own made afresh:
# the whole test suite (ctest runs every .exe through wine64, the toolchain
# file's CMAKE_CROSSCOMPILING_EMULATOR), the benchmark, and the command line:
# `--demo read --json`, and a handshake with no bridge library beside the
# program. Run scripts/windows/build.sh first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
START=$(date +%s)

CACHE=$(win64_cache)
[ -f "$WIN_BUILD/zorvel-configurator.exe" ] || { echo "no $WIN_BUILD/zorvel-configurator.exe: run build.sh" >&2; exit 1; }

WINEPREFIX=$(mktemp -d /tmp/zorvel-wine.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# Qt's DLLs and the MinGW runtime through the search path, not copies beside
# every test; no folder on it holds a SimpleIO-UM.dll, or the test without a
# bridge library would find one.
path=()
for dir in "$CACHE/qt/bin" "${MINGW_RUNTIME_DIRS[@]}"; do
    path+=("$(wine_path "$dir")")
done
WINEPATH=$(IFS=';'; echo "${path[*]}")
# Wine passes no QT_* variable to a Windows program; WINEQT_* arrive as QT_*.
WINEQT_PLUGIN_PATH=$(wine_path "$CACHE/qt/plugins")
# The offscreen plugin on Windows takes its fonts from a folder, not from the system.
export WINEPATH WINEQT_PLUGIN_PATH WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR='C:\windows\Fonts'

status=0
step() { # name command...: runs one step, says how it went and how long it took
    local name=$1 began
    shift
    began=$(date +%s)
    if "$@"; then
        echo "== $name: ok ($(took "$began"))"
    else
        echo "== $name: FAILED ($(took "$began"))"
        status=1
    fi
}

echo "== making the Wine prefix $WINEPREFIX"
wine_prefix

step "test suite under Wine" ctest --test-dir "$WIN_BUILD" --output-on-failure --timeout 900

# Beside the simulated detector, as build/zorvel-bench on Linux.
bench() {
    (cd "$WIN_BUILD" && "$WINE" zorvel-bench.exe "${ZORVEL_BENCH_ROUNDS:-10}")
}
step "benchmark" bench

demo_read() {
    local out
    out=$(cd "$WIN_BUILD" && "$WINE" zorvel-configurator.exe --demo read --json)
    printf '%s\n' "$out"
    printf '%s' "$out" | python3 -c 'import json, sys; json.load(sys.stdin)'
}
step "--demo read --json" demo_read

# Only the program, no bridge library beside it: the handshake cannot start.
no_bridge() {
    local dir said code=0
    dir=$(mktemp -d /tmp/zorvel-nobridge.XXXXXX)
    cp "$WIN_BUILD/zorvel-configurator.exe" "$dir/"
    said=$(cd "$dir" && "$WINE" zorvel-configurator.exe handshake 2>&1) || code=$?
    rm -rf "$dir"
    printf '%s\n(exit %s)\n' "$said" "$code"
    [ "$code" -eq 2 ] && grep -qF ">> There was an error finding the specified DLL." <<<"$said"
}
step "handshake with no bridge library" no_bridge

# The USB driver over hidapi's Windows backend, with no adapter on Wine's bus:
# it loads, finds nothing, says so, and the handshake ends in status 2.
no_adapter() {
    local dir said code=0
    dir=$(mktemp -d /tmp/zorvel-noadapter.XXXXXX)
    cp "$WIN_BUILD/zorvel-configurator.exe" "$WIN_BUILD/bridge/usb/SimpleIO-UM.dll" "$dir/"
    said=$(cd "$dir" && "$WINE" zorvel-configurator.exe handshake 2>&1) || code=$?
    rm -rf "$dir"
    printf '%s\n(exit %s)\n' "$said" "$code"
    [ "$code" -eq 2 ] && grep -qF ">> DLL has been loaded" <<<"$said" \
        && grep -qF ">> The device is DISCONNECTED" <<<"$said"
}
step "handshake through the USB driver, no adapter" no_adapter

echo "test.sh: $(took "$START")"
exit $status
