# Shared by run.sh and test.sh: install what is missing, then build into build/.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

PACKAGES=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libgl-dev libhidapi-dev fonts-dejavu-core fonts-wine libqt6sql6-sqlite qt6-translations-l10n
    sigrok-cli
)
# Only for making and checking the Debian package (scripts/package.sh,
# scripts/check-package.sh): `install_missing "${PACKAGING_PACKAGES[@]}"`.
PACKAGING_PACKAGES=(dpkg-dev file lintian desktop-file-utils appstream)

# Installs PACKAGES and the packages named as arguments, those that are missing.
install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}
