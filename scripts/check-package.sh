#!/usr/bin/env bash
# Checks the Debian package as a user meets it, on this machine: makes it,
# installs it with apt-get, converts the sample book with
# /usr/bin/corvale-convert, checks the menu entry, the manual pages and that
# the window starts, then removes the package again. It changes /usr while it
# runs, so it needs root and is not one of the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_BUILD_DIR:-$here/build}

if [ "$(id -u)" -ne 0 ]; then
  echo "check-package.sh: run it as root: it installs and removes the package" >&2
  exit 2
fi
if dpkg-query -W -f='${Status}' corvale 2>/dev/null | grep -q 'install ok installed'; then
  echo "check-package.sh: corvale is installed already; remove it first (apt-get remove corvale)" >&2
  exit 2
fi

deb=$(bash "$here/scripts/package.sh")
work=$(mktemp -d)
cleanup() {
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq corvale </dev/null >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

version=$(dpkg-deb -f "$deb" Version)
step() { printf '%s ... ' "$1"; }
ok() { echo ok; }

step "installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" </dev/null >/dev/null
ok

step "the bin/ links lead to /usr/lib/corvale"
[ "$(readlink -f /usr/bin/corvale)" = /usr/lib/corvale/corvale ]
[ "$(readlink -f /usr/bin/corvale-convert)" = /usr/lib/corvale/corvale-convert ]
ok

step "versions"
[ "$(env -u DISPLAY corvale --version)" = "corvale $version" ]
[ "$(corvale-convert --version)" = "corvale-convert $version" ]
ok

step "corvale-convert converts the sample book"
"$build/bin/make-sample-book" "$work/Sample.mobi"
HOME=$work XDG_CACHE_HOME=$work/cache /usr/bin/corvale-convert "$work/Sample.mobi" >/dev/null
[ "$(head -c 5 "$work/Sample.pdf")" = "%PDF-" ]
ok

step "menu entry, AppStream data and manual pages"
desktop_entry=$(dpkg -L corvale | grep '^/usr/share/applications/.*\.desktop$')
metainfo=$(dpkg -L corvale | grep '^/usr/share/metainfo/.*\.metainfo\.xml$')
desktop-file-validate "$desktop_entry"
appstreamcli validate --no-net "$metainfo" >/dev/null
man -w corvale corvale-convert >/dev/null
ok

# The window, started as the menu entry starts it (Exec=corvale %F) with the
# sample book, must come up on an X server of its own.
if command -v xvfb-run >/dev/null && command -v xwininfo >/dev/null; then
  step "the window starts"
  exec_line=$(sed -n 's/^Exec=//p' "$desktop_entry")
  command=${exec_line/\%F/$work/Sample.mobi}
  HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
      $1 & pid=$!
      for _ in $(seq 600); do
        xwininfo -root -tree | grep -q "\"Corvale\": (\"corvale\"" && { kill $pid; exit 0; }
        kill -0 $pid 2>/dev/null || exit 1
        sleep 0.1
      done
      kill $pid; exit 1' bash "$command"
  ok
fi
echo "The package installs, converts and starts; it has been removed again."
