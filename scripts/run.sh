#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configurator from build/,
# where it finds its catalogue, pictures and bridge library.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing
build
cd "$BUILD_DIR"
exec ./zorvel-configurator
