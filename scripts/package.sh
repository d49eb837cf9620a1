#!/usr/bin/env bash
# Makes the Debian package: installs what is missing, builds, and runs CPack.
# The package lands in build/ (or $CORVALE_BUILD_DIR) as
# corvale_<version>_<architecture>.deb, and its path is printed. Install it
# with: sudo apt-get install ./build/corvale_<version>_<architecture>.deb
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_BUILD_DIR:-$here/build}
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh" >/dev/null
cpack --config "$build/CPackConfig.cmake" -B "$build" >/dev/null
ls -t "$build"/corvale_*.deb | head -n 1
