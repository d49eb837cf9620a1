#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The window's tests
# need an X server: when none is given they run inside xvfb-run. Then the
# engine's and the tools' tests (and the fuzz targets over their seeds) run
# once more in a second build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-sanitize/ or $CORVALE_SANITIZE_BUILD_DIR),
# where any report fails the test; CORVALE_SKIP_SANITIZE=1 leaves it out.
# Last the Windows build is tested under wine (scripts/test-windows.sh) when
# the libraries' source releases are there ($CORVALE_DEPS_DIR, by default
# ../shared/deps): on a fresh machine that adds some five minutes, most of
# them the libraries' first build. CORVALE_TEST_WINDOWS=0 leaves it out, =1
# insists on it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_BUILD_DIR:-$here/build}
sanitize=${CORVALE_SANITIZE_BUILD_DIR:-$here/build-sanitize}
deps=${CORVALE_DEPS_DIR:-$here/../shared/deps}
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"

run_ctest() {
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1600x1200x24 -noreset" ctest --output-on-failure -j "$(nproc)" "$@"
  else
    ctest --output-on-failure -j "$(nproc)" "$@"
  fi
}

(cd "$build" && run_ctest)

if [ "${CORVALE_SKIP_SANITIZE:-0}" != 1 ]; then
  # Only what those tests need: no window, and only their programs.
  cmake -S "$here" -B "$sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVALE_SANITIZE=ON -DCORVALE_BUILD_GUI=OFF >/dev/null
  cmake --build "$sanitize" -j "$(nproc)" --target \
    base_test engine_test tool_runner_test mobi_pdf_test html_images_test mobi2html_test renderer_test \
    make-fuzz-seeds page_plan_fuzz picture_probe_fuzz mobi_book_fuzz
  (cd "$sanitize" && run_ctest -L '^(base|engine|tools|fuzz)$')
fi

# The Windows window (corvale.exe) and its tests need wxWidgets for MSW, whose
# first build alone would take CI past its budget: they run when it is cached
# already, or when CORVALE_TEST_WINDOWS_GUI=1 (=0 leaves them out).
export CORVALE_WINDOWS_GUI=${CORVALE_TEST_WINDOWS_GUI:-auto}
case "${CORVALE_TEST_WINDOWS:-auto}" in
  0) ;;
  1) bash "$here/scripts/test-windows.sh" ;;
  *) if [ -f "$deps/SHA256SUMS" ]; then
       bash "$here/scripts/test-windows.sh"
     else
       echo "Windows tests left out: no source releases in $deps (see README.md)"
     fi ;;
esac
