#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once: packages
# already present are skipped, and nothing is asked of a terminal.
# `install-deps.sh windows` installs what the Windows cross-build and its
# tests under wine need instead.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev libwxgtk-webview3.2-dev
  libmobi-dev libgif-dev libjpeg62-turbo-dev libpng-dev libqpdf-dev libfontconfig-dev
  wkhtmltopdf fonts-dejavu-core fonts-wqy-microhei
  googletest libgtest-dev
  xvfb xauth poppler-utils fontconfig
  desktop-file-utils appstream groff-base
  dpkg-dev file
)
if [ "${1:-}" = windows ]; then
  packages=(
    cmake ninja-build pkg-config make xz-utils bzip2
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest wine wine64 nsis
    wkhtmltopdf poppler-utils xvfb xauth x11-utils
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
