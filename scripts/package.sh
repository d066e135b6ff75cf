#!/usr/bin/env bash
# Builds the Debian package, build/zorvel-configurator_<version>_<arch>.deb:
# the USB bridge as the program's bridge library (a package is for real
# adapters), the simulated detector beside it for --demo. It builds in a
# folder of its own, build/package, and leaves build/ as it is.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
BUILD_DIR=$ROOT/build/package

install_missing "${PACKAGING_PACKAGES[@]}"

# Debian's flags (optimisation, hardening), as a Debian build passes them;
# CMake does not read CPPFLAGS, where _FORTIFY_SOURCE is.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
# The date in the changelog and the metainfo: the last commit's, so one source
# gives one package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git -C "$ROOT" rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH=$(git -C "$ROOT" log -1 --format=%ct)
    export SOURCE_DATE_EPOCH
fi

BUILD_TYPE=None build -DZORVEL_BRIDGE=usb -DZORVEL_DEVELOPER_TARGETS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)"

rm -rf "$BUILD_DIR/cpack"
(cd "$BUILD_DIR" && cpack -B "$BUILD_DIR/cpack")
rm -f "$ROOT"/build/zorvel-configurator_*.deb
mv "$BUILD_DIR"/cpack/zorvel-configurator_*.deb "$ROOT/build/"
ls -l "$ROOT"/build/zorvel-configurator_*.deb
