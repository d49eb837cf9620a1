#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once: packages
# already present are skipped, and nothing is asked of a terminal.
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
