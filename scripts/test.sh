#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The window's tests
# need an X server: when none is given they run inside xvfb-run.
# First the Windows build is tested under wine (scripts/test-windows.sh) when
# the libraries' source releases are there ($CORVALE_DEPS_DIR, by default
# ../shared/deps): on a fresh machine that adds some five minutes, most of
# them the libraries' first build. CORVALE_TEST_WINDOWS=0 leaves it out, =1
# insists on it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_BUILD_DIR:-$here/build}
deps=${CORVALE_DEPS_DIR:-$here/../shared/deps}
case "${CORVALE_TEST_WINDOWS:-auto}" in
  0) ;;
  1) bash "$here/scripts/test-windows.sh" ;;
  *) if [ -f "$deps/SHA256SUMS" ]; then
       bash "$here/scripts/test-windows.sh"
     else
       echo "Windows tests left out: no source releases in $deps (see README.md)"
     fi ;;
esac
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
cd "$build"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24 -noreset" ctest --output-on-failure -j "$(nproc)"
fi
exec ctest --output-on-failure -j "$(nproc)"
