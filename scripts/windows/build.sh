#!/usr/bin/env bash
# Cross-builds the Windows program in build-win64/ against the Qt and hidapi
# that toolchain.sh keeps in its cache: the program, the USB driver over
# hidapi's Windows backend (bridge/usb/SimpleIO-UM.dll, the one package.sh
# ships), SimpleIO-UM-demo.dll (the simulated detector), the tests, their
# simulator variants and the benchmark. As in the Linux build/, the library
# beside the program is the simulated detector, for the tests and the bench.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
START=$(date +%s)

CACHE=$(win64_cache)
[ -f "$CACHE/.complete" ] || { echo "no complete Qt cache at $CACHE" >&2; exit 1; }

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT}
fi
cmake -G Ninja -S "$ROOT" -B "$WIN_BUILD" \
    -DCMAKE_TOOLCHAIN_FILE="$WIN_HERE/mingw64.cmake" \
    -DCMAKE_PREFIX_PATH="$CACHE/qt;$CACHE/hidapi" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DZORVEL_BRIDGE=simulator "${launcher[@]}"
nice -n 5 cmake --build "$WIN_BUILD" -j "$WIN_JOBS"

for file in zorvel-configurator.exe SimpleIO-UM.dll SimpleIO-UM-demo.dll bridge/usb/SimpleIO-UM.dll zorvel-bench.exe tests/SimpleIO-UM.dll; do
    [ -f "$WIN_BUILD/$file" ] || { echo "build-win64 has no $file" >&2; exit 1; }
done
echo "build.sh: $(took "$START")"
