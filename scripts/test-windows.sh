#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and tests them under
# wine, headless, in a wine prefix of its own that is removed at the end:
# the cross-built unit tests through CTest, then real books converted end to
# end with corvale-convert.exe (a KF7 and a KF8 book, a GIF book under a
# non-ASCII name, the DRM sample refused with its reason, a run stopped with
# Ctrl+C), and the installer (scripts/test-windows-installer.sh). Debian's
# wkhtmltopdf stands in for the Windows one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_WINDOWS_BUILD_DIR:-$here/build-windows}
bash "$here/scripts/build-windows.sh"

export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/corvale-wine.XXXXXX")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvale-windows-books.XXXXXX")
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$work"
}
trap cleanup EXIT
# No window, no .NET or HTML engine to offer, no debug chatter.
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -p || true  # one server for every test, not one each (already up: fine)

echo "== unit tests under wine"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

echo "== books converted under wine"
wine_path() { winepath -w "$1" 2>/dev/null; }
convert() { wine "$build/bin/corvale-convert.exe" "$@"; }
export CORVALE_WKHTMLTOPDF
CORVALE_WKHTMLTOPDF=$(wine_path "$build/bin/unix-wkhtmltopdf.exe")
passes=0
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

# The PDF has pages, the book's title and at least `words` words.
check_pdf() {  # check_pdf PDF WORDS WHAT
  local pdf=$1 words=$2 what=$3 pages title count
  [ -s "$pdf" ] || { fail "$what: no PDF"; return; }
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  title=$(pdfinfo "$pdf" | sed -n 's/^Title: *//p')
  count=$(pdftotext -enc UTF-8 "$pdf" - | wc -w)
  if [ "${pages:-0}" -ge 1 ] && [ -n "$title" ] && [ "$count" -ge "$words" ]; then
    pass "$what ($pages pages, $count words, title \"$title\")"
  else
    fail "$what: $pages pages, $count words (want $words), title \"$title\""
  fi
}

# Words each book holds (pdftotext of the Linux build's PDF, less 1%).
cp "$here/tests/data/sample-textread.mobi" "$work/kf7.mobi"
cp "$here/tests/data/sample-unicode-huffdic.mobi" "$work/kf8.mobi"
cp "$here/tests/data/sample-multimedia.mobi" "$work/multimedia.mobi"
gif_book="$work/Bücher – Ægir 日本.mobi"
wine "$build/bin/make-sample-book.exe" "$(wine_path "$gif_book")"
# What an ended instance left in the work folder goes before the next book;
# anything else there stays.
appdata=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Velmora
mkdir -p "$appdata/tmpmobi1-4000000-1_html"
touch "$appdata/tmpmobi1-4000000-1.mobi" "$appdata/keep.txt"
for book in kf7 kf8 multimedia; do
  if out=$(convert "$(wine_path "$work/$book.mobi")" 2>&1); then :; else fail "$book: $out"; fi
done
if [ "$(ls -A "$appdata")" = keep.txt ]; then
  pass "an ended instance's work files removed, other files kept"
else
  fail "work folder after the books: $(ls -A "$appdata")"
fi
rm -f "$appdata/keep.txt"
check_pdf "$work/kf7.pdf" 3500 "KF7 book"
check_pdf "$work/kf8.pdf" 100 "KF8 book"
check_pdf "$work/multimedia.pdf" 50 "KF8 book with pictures"
if out=$(convert --output-folder "$(wine_path "$work")" "$(wine_path "$gif_book")" 2>&1); then
  check_pdf "${gif_book%.mobi}.pdf" 20 "GIF book under a non-ASCII name"
else
  fail "GIF book under a non-ASCII name: $out"
fi

cp "$here/tests/data/sample-drm-v1.mobi" "$work/drm.mobi"
if out=$(convert "$(wine_path "$work/drm.mobi")" 2>&1); then
  fail "DRM book converted"
elif grep -q "^Failed: .*DRM" <<<"$out" && [ ! -e "$work/drm.pdf" ]; then
  pass "DRM book refused: $(grep '^Failed' <<<"$out")"
else
  fail "DRM book: $out"
fi

# Ctrl+C: wine turns SIGINT into the console's Ctrl+C event. It is sent to
# the program PID once the renderer has begun (a file matching PATTERN, its
# private folder beside the page, exists); STATUS is then how it ended.
interrupt_once_begun() {
  local pid=$1 pattern=$2
  until compgen -G "$pattern" >/dev/null || ! kill -0 "$pid" 2>/dev/null; do
    sleep 0.1  # between looks at the folder, not a guess at how long it takes
  done
  kill -INT "$pid" 2>/dev/null || true
  status=0
  wait "$pid" || status=$?
}

rm -f "$work/kf8.pdf"
wine "$build/bin/corvale-convert.exe" "$(wine_path "$work/kf8.mobi")" >"$work/stop.log" 2>&1 &
interrupt_once_begun $! "$appdata/*/.wkhtmltopdf-*"
if [ "$status" -ne 0 ] && grep -q "^Stopped: " "$work/stop.log" && [ ! -e "$work/kf8.pdf" ] &&
   [ -z "$(ls -A "$appdata" 2>/dev/null)" ]; then
  pass "stopped with Ctrl+C: $(grep '^Stopped' "$work/stop.log"), nothing left behind"
else
  fail "Ctrl+C (exit $status): $(cat "$work/stop.log"); left: $(ls -A "$appdata" 2>/dev/null)"
fi

# The renderer tool run on its own from a console stops the same way: its
# renders end with it, and its own files and the PDF are gone.
page_folder="$work/page"
wine "$build/bin/core/mobi2html.exe" "$(wine_path "$work/kf8.mobi")" "$(wine_path "$page_folder")"
wine "$build/bin/core/wkhtmltopdf.exe" --page-width 210 --page-height 297 \
  "$(wine_path "$page_folder/kf8.html")" "$(wine_path "$work/page.pdf")" >"$work/render.log" 2>&1 &
interrupt_once_begun $! "$page_folder/.wkhtmltopdf-*"
if [ "$status" -ne 0 ] && grep -q "^wkhtmltopdf: stopped" "$work/render.log" && [ ! -e "$work/page.pdf" ] &&
   ! compgen -G "$page_folder/.wkhtmltopdf-*" >/dev/null; then
  pass "renderer stopped with Ctrl+C: nothing of its own left"
else
  fail "renderer Ctrl+C (exit $status): $(cat "$work/render.log"); left: $(ls -A "$page_folder")"
fi

# The installer: installed, the installed programs at work, uninstalled.
# Tests of the installed window go between the install and the uninstall.
source "$here/scripts/test-windows-installer.sh"
installer_install_checks
installer_uninstall_checks

echo "books: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
