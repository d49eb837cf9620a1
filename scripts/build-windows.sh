#!/usr/bin/env bash
# Cross-builds the Windows programs into build-windows/ (or
# $CORVALE_WINDOWS_BUILD_DIR) with Debian's mingw-w64 compilers:
# bin/corvale.exe (the window), bin/corvale-convert.exe, bin/core/mobi2html.exe,
# bin/core/wkhtmltopdf.exe, the tests that run under wine, and the installer
# Corvale-<version>-win64.exe.
# The libraries they link are cross-built once from the source releases in
# $CORVALE_DEPS_DIR (default: ../shared/deps beside the source tree) and kept in
# ${XDG_CACHE_HOME:-~/.cache}/corvale/mingw-deps-<versions>, so only the first
# run pays for them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_WINDOWS_BUILD_DIR:-$here/build-windows}
deps=${CORVALE_DEPS_DIR:-$here/../shared/deps}

bash "$here/scripts/install-deps.sh" windows

if [ ! -f "$deps/SHA256SUMS" ]; then
  echo "No source releases in $deps (set CORVALE_DEPS_DIR; see README.md)" >&2
  exit 1
fi
# The cache's name changes with the releases, the test framework's version and
# the way they are built.
versions=$( (cat "$deps/SHA256SUMS"
             dpkg-query -W -f='${Version}' googletest
             cat "$here/scripts/build-windows-deps.sh" "$here/cmake/mingw-w64-x86_64.cmake") |
           sha256sum | cut -c1-16)
prefix=${XDG_CACHE_HOME:-$HOME/.cache}/corvale/mingw-deps-$versions
if [ ! -d "$prefix" ]; then
  echo "Cross-building the libraries into $prefix (once)"
  mkdir -p "$(dirname "$prefix")"
  bash "$here/scripts/build-windows-deps.sh" "$deps" "$prefix"
fi

# The window (bin/corvale.exe) needs wxWidgets for MSW, cross-built once into
# a cache of its own beside the libraries' (mingw-wx-<versions>), as it takes
# far longer than they do. CORVALE_WINDOWS_GUI=0 leaves the window out, =auto
# makes it only when that cache exists; by default it is made.
wx_prefix=$(dirname "$prefix")/mingw-wx-$( (echo "$versions"; cat "$here/scripts/build-windows-wx.sh") |
                                         sha256sum | cut -c1-16)
if [ "${CORVALE_WINDOWS_GUI:-1}" = 1 ] && [ ! -d "$wx_prefix" ]; then
  echo "Cross-building wxWidgets into $wx_prefix (once)"
  bash "$here/scripts/build-windows-wx.sh" "$deps" "$prefix" "$wx_prefix"
fi
gui=(-DCORVALE_BUILD_GUI=OFF)
if [ "${CORVALE_WINDOWS_GUI:-1}" != 0 ] && [ -d "$wx_prefix" ]; then
  gui=(-DCORVALE_BUILD_GUI=ON -DwxWidgets_CONFIG_EXECUTABLE="$wx_prefix/bin/wx-config")
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
  -DCORVALE_MINGW_PREFIX="$prefix" "${gui[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

# The installer, made from the install rules by CPack and makensis
# (cmake/WindowsInstaller.cmake).
cpack --config "$build/CPackConfig.cmake" -B "$build" >/dev/null
