#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The window's tests
# need an X server: when none is given they run inside xvfb-run. With
# CORVALE_TEST_WINDOWS=1 the Windows build is tested under wine first
# (scripts/test-windows.sh; on a fresh machine that costs some twelve
# minutes more, mostly the libraries' first build, so it is left out
# otherwise).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_BUILD_DIR:-$here/build}
if [ "${CORVALE_TEST_WINDOWS:-0}" = 1 ]; then
  bash "$here/scripts/test-windows.sh"
fi
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
cd "$build"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24 -noreset" ctest --output-on-failure -j "$(nproc)"
fi
exec ctest --output-on-failure -j "$(nproc)"
