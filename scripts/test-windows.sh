#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and tests them under
# wine, headless, in a wine prefix of its own that is removed at the end:
# the cross-built unit tests through CTest, then real books converted end to
# end with corvale-convert.exe (a KF7 and a KF8 book, a GIF book under a
# non-ASCII name, the DRM sample refused with its reason, a run stopped with
# Ctrl+C), then the installer in a fresh prefix (scripts/test-windows-installer.sh)
# and, when corvale.exe was built, the installed window on an Xvfb.
# Debian's wkhtmltopdf stands in for the Windows one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVALE_WINDOWS_BUILD_DIR:-$here/build-windows}
bash "$here/scripts/build-windows.sh"

export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/corvale-wine.XXXXXX")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvale-windows-books.XXXXXX")
xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
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

# == The window under wine, when bin/corvale.exe was built: in a wine prefix
# and on an Xvfb of its own (even where a display is given: a desktop's
# window manager would place the window its own way).
# The window program is driven through its own events (CORVALE_TEST_DRIVE,
# app/test_drive.h): it pictures its window, converts on a "go" file with
# Convert All and reports its rows and fields as it closes.

# A pixel of a binary PPM file as "R G B".
ppm_pixel() {  # ppm_pixel FILE X Y
  local file=$1 header width
  header=$(head -n 3 "$file" | wc -c)
  width=$(head -n 3 "$file" | sed -n '2s/ .*//p')
  od -An -tu1 -j $((header + 3 * ($3 * width + $2))) -N3 "$file" | xargs
}

# Starts the window program PROGRAM with ARGS under wine, waits for its
# window (its picture written), checks that X shows a window titled
# "Corvale", lets it convert and waits for it to end; its report is then in
# $drive/report.txt.
drive_window() {  # drive_window PROGRAM ARGS...
  local program=$1 pid
  shift
  rm -rf "$drive" && mkdir -p "$drive"
  CORVALE_TEST_DRIVE=$(wine_path "$drive") wine "$program" "$@" >"$drive/log" 2>&1 &
  pid=$!
  until [ -e "$drive/shown" ] || ! kill -0 "$pid" 2>/dev/null; do
    sleep 0.1  # between looks for the window, not a guess at how long it takes
  done
  if xwininfo -root -tree | grep -q '^ *0x[0-9a-f]* "Corvale": '; then
    pass "window titled \"Corvale\" shown by X"
  else
    fail "no window titled \"Corvale\": $(xwininfo -root -tree | grep -c '"') windows"
  fi
  touch "$drive/go"
  wait "$pid" || fail "window program ended with status $?: $(cat "$drive/log")"
}

report_value() {  # report_value KEY: the rest of report.txt's first line for KEY
  sed -n "s/^$1\t//p" "$drive/report.txt" | head -n1
}

reg_value() {  # reg_value NAME: the data of a value of the program's key
  wine reg query 'HKCU\Software\Lumeno\Corvale' /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}

# The skin: the banner's blue across the top row of the picture, and the
# options panel's colour over a good share of it.
check_skin() {  # check_skin PPM
  local ppm=$1 width x rgb share
  width=$(head -n 3 "$ppm" | sed -n '2s/ .*//p')
  for x in 10 $((width / 2)) $((width - 10)); do
    rgb=($(ppm_pixel "$ppm" "$x" 10))
    if [ "${rgb[2]}" -lt 200 ] || [ "${rgb[0]}" -gt 160 ] || [ "${rgb[1]}" -lt 170 ]; then
      fail "skin: banner pixel ($x, 10) is ${rgb[*]}"
      return
    fi
  done
  share=$(od -An -v -tu1 -w3 -j "$(head -n 3 "$ppm" | wc -c)" "$ppm" | grep -c '^ *243 *249 *255$' || true)
  if [ $((share * 100 / ($(stat -c %s "$ppm") / 3))) -ge 5 ]; then
    pass "skin painted (banner blue, options panel colour on $share pixels)"
  else
    fail "skin: options panel colour on only $share pixels"
  fi
}

# The executable as Windows reads it: a window program (no console), only
# system DLLs (the C and C++ runtimes are inside), a manifest asking for
# common controls 6, per-monitor DPI awareness and the invoker's rights, the
# version resource, and its own icon first among the named icon groups (the
# one Explorer shows).
check_executable() {  # check_executable PROGRAM
  local program=$1 headers problems=""
  headers=$(x86_64-w64-mingw32-objdump -p "$program")
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || problems+="not a window program; "
  if grep -i 'DLL Name: lib' <<<"$headers"; then problems+="needs DLLs of its own; "; fi
  for text in Microsoft.Windows.Common-Controls 'PerMonitorV2, PerMonitor' asInvoker; do
    grep -aqF "$text" "$program" || problems+="manifest without $text; "
  done
  grep -aqP 'C\x00o\x00m\x00p\x00a\x00n\x00y\x00N\x00a\x00m\x00e\x00(\x00\x00)+L\x00u\x00m\x00e\x00n\x00o' "$program" ||
    problems+="no version resource of Lumeno; "
  local icon
  icon=$(awk '/^[0-9a-f]+   Entry: ID: 0x00000e,/{f=1;next} f && /Entry: name:/{sub(/.*\]: /,""); sub(/,.*/,""); print; exit}' <<<"$headers")
  [ "$icon" = CORVALE ] || problems+="first named icon group is $icon; "
  if [ -z "$problems" ]; then pass "$(basename "$program"): window program, manifest, version, icon"; else fail "$problems"; fi
}

window_tests() {  # window_tests PROGRAM: the window program at PROGRAM (Unix path)
  local program=$1 book="$work/window/Bücher – Ægir.mobi" out="$work/window/Ausgabe ü" pdf
  local key='HKCU\Software\Lumeno\Corvale' value
  rm -rf "$work/window" && mkdir -p "$out"
  cp "$gif_book" "$book"
  pdf="$out/$(basename "${book%.mobi}").pdf"

  # First start: the output folder comes from the registry, the book from
  # the command line; Convert All puts its PDF into that folder.
  wine reg add "$key" /v OutputPath /t REG_SZ /d "$(wine_path "$out")" /f >/dev/null 2>&1
  drive_window "$program" "$(wine_path "$book")"
  [ "$(report_value title)" = Corvale ] || fail "window title: $(report_value title)"
  if [ "$(report_value row)" = "$(basename "$book")	Finished" ] && [ -s "$pdf" ]; then
    check_pdf "$pdf" 20 "book converted from the window"
  else
    fail "row after Convert All: $(report_value row); messages: $(report_value message)"
  fi
  [ "$(report_value output)" = "$(wine_path "$out")" ] || fail "output folder: $(report_value output)"
  [ "$(report_value rect)" = "0	0	850	650" ] || fail "first start's placement: $(report_value rect)"
  check_skin "$drive/window.ppm"
  cp "$drive/window.png" "$build/corvale-window-wine.png"  # to compare by eye with the Linux window

  # Closing wrote the settings into the registry.
  local written=""
  for value in PageWidth PageHeight Maximized Left Top Right Bottom; do
    written+="$value=$(reg_value $value) "
  done
  if [ "$written" = "PageWidth=0xd2 PageHeight=0x129 Maximized=0x0 Left=0x0 Top=0x0 Right=0x352 Bottom=0x28a " ]; then
    pass "settings written to HKEY_CURRENT_USER\\Software\\Lumeno\\Corvale"
  else
    fail "registry after closing: $written"
  fi

  # Second start: the stored placement and output folder come back.
  wine reg add "$key" /v Left /t REG_DWORD /d 40 /f >/dev/null 2>&1
  wine reg add "$key" /v Top /t REG_DWORD /d 30 /f >/dev/null 2>&1
  wine reg add "$key" /v Right /t REG_DWORD /d 940 /f >/dev/null 2>&1
  wine reg add "$key" /v Bottom /t REG_DWORD /d 730 /f >/dev/null 2>&1
  drive_window "$program"
  if [ "$(report_value rect)" = "40	30	940	730" ] && [ "$(report_value output)" = "$(wine_path "$out")" ]; then
    pass "settings read back at the next start"
  else
    fail "next start: placement $(report_value rect), output folder $(report_value output)"
  fi
}

# == The installer, in a fresh prefix: installed silently, the installed
# programs at work, uninstalled. When the window was built, the installed
# corvale.exe is tested between the two, on an Xvfb of the prefix's own.
echo "== the installer, and the window it installs, under wine"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/corvale-wine-installed.XXXXXX")
with_gui=""
grep -q '^CORVALE_BUILD_GUI:BOOL=ON' "$build/CMakeCache.txt" && with_gui=1
if [ -n "$with_gui" ]; then
  drive="$work/drive"
  Xvfb -displayfd 1 -screen 0 1600x1200x24 -nolisten tcp >"$work/display" 2>/dev/null &
  xvfb_pid=$!
  until [ -s "$work/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; do
    sleep 0.1  # until the server names its display
  done
  export DISPLAY=:$(cat "$work/display")
fi
wineboot -i >/dev/null 2>&1
source "$here/scripts/test-windows-installer.sh"
installer_install_checks
if [ -n "$with_gui" ]; then
  check_executable "$installed_dir/corvale.exe"
  window_tests "$installed_dir/corvale.exe"
fi
installer_uninstall_checks

echo "books: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
