# The Windows installer under wine, in the test run's own prefix. Sourced by
# scripts/test-windows.sh, whose build, work, pass, fail, wine_path and
# check_pdf it uses:
#   installer_install_checks    installs Corvale silently (twice: the second
#                               run is an upgrade) and checks what it put in
#                               place; installed_dir is the install folder
#   installer_uninstall_checks  uninstalls it silently and checks that only
#                               the user's own things are left
# Tests of the installed programs go between the two.

installer="$build/Corvale-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")-win64.exe"
# Not the default folder, and with a space in its name.
install_folder='C:\Program Files\Lumeno Corvale'
installed_dir=$(winepath -u "$install_folder" 2>/dev/null)
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Corvale"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvale'
with_window=""
[ -f "$build/bin/corvale.exe" ] && with_window=1

# Runs an NSIS installer or uninstaller silently. Its folder option (/D= or
# _?=) comes last, unquoted even with spaces; wine would quote an argument
# holding a space, so the option goes as words.
nsis_silent() {  # nsis_silent PROGRAM FOLDER_OPTION
  local words
  read -r -a words <<<"$2"
  wine "$1" /S "${words[@]}"
}

# The registry key and its subkeys as .reg text (UTF-8, LF); nothing when
# the key is missing.
reg_text() {
  rm -f "$work/key.reg"
  wine reg export "$1" "$(wine_path "$work/key.reg")" /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r'
}
reg_escape() { sed 's/\\/\\\\/g; s/"/\\"/g' <<<"$1"; }
open_command="@=\"$(reg_escape "\"$install_folder\\corvale.exe\" \"%1\"")\""

# Every "KEY|LINE" of the table: LINE is in the key's .reg text (`want` 1)
# or is not (`want` 0, also met by a missing key).
check_registry() {  # check_registry WANT WHAT ENTRY...
  local want=$1 what=$2 entry found
  shift 2
  for entry in "$@"; do
    found=0
    grep -qxF -- "${entry#*|}" <<<"$(reg_text "${entry%%|*}")" && found=1
    [ "$found" = "$want" ] || { fail "$what: ${entry%%|*} ${entry#*|}"; return; }
  done
  pass "$what"
}

# The installed files, one relative path a line.
installed_files() { (cd "$installed_dir" 2>/dev/null && find . -type f | sed 's|^\./||' | sort); }

# What the installer writes in the registry: its Add/Remove Programs entry
# and the folder it remembers, and (with the window) "Open with" for .mobi.
installer_entries=(
  "$uninstall_key|\"DisplayName\"=\"Corvale\""
  "$uninstall_key|\"UninstallString\"=\"$(reg_escape "\"$install_folder\\Uninstall.exe\"")\""
  "HKLM\\Software\\Lumeno\\Corvale|@=\"$(reg_escape "$install_folder")\""
)
open_with_entries=(
  'HKCR\.mobi\OpenWithProgids|"Corvale.MobiBook"=hex(0):'
  'HKCR\.mobi\OpenWithList\corvale.exe|[HKEY_CLASSES_ROOT\.mobi\OpenWithList\corvale.exe]'
  'HKCR\Applications\corvale.exe\SupportedTypes|".mobi"=""'
  "HKCR\\Applications\\corvale.exe\\shell\\open\\command|$open_command"
  "HKCR\\Corvale.MobiBook\\shell\\open\\command|$open_command"
)
# Another reader's claim on .mobi, which Corvale neither takes nor removes.
other_reader_entries=('HKCR\.mobi|@="Other.Reader"' 'HKCR\.mobi\OpenWithProgids|"Other.Reader"=""')

installer_install_checks() {
  echo "== the installer under wine"
  wine reg add 'HKLM\Software\Classes\.mobi' /ve /d Other.Reader /f >/dev/null
  wine reg add 'HKLM\Software\Classes\.mobi\OpenWithProgids' /v Other.Reader /d "" /f >/dev/null
  local run expected status
  expected=$(printf '%s\n' Uninstall.exe corvale-convert.exe core/mobi2html.exe core/wkhtmltopdf.exe \
               ${with_window:+corvale.exe help/index.html} | sort)
  for run in install upgrade; do
    status=0
    nsis_silent "$installer" "/D=$install_folder" || status=$?
    if [ "$status" -eq 0 ] && [ "$(installed_files)" = "$expected" ]; then
      pass "silent $run into $install_folder: $(echo $expected)"
    else
      fail "silent $run (exit $status): $(installed_files | tr '\n' ' ')"
    fi
    # The user's own file in the folder, which the upgrade and the uninstall keep.
    if [ -d "$installed_dir" ]; then echo "my notes" >"$installed_dir/notes.txt"; fi
    expected=$(printf '%s\n' $expected notes.txt | sort -u)
  done
  check_registry 1 "Add/Remove Programs entry, install folder remembered" "${installer_entries[@]}"
  if [ -n "$with_window" ]; then
    check_registry 1 "\"Open with\" entries for .mobi" "${open_with_entries[@]}"
  else
    check_registry 0 "no \"Open with\" entries without corvale.exe" "${open_with_entries[@]}"
  fi
  check_registry 1 "another reader's .mobi entries kept" "${other_reader_entries[@]}"
  local shortcuts="Corvale.lnk Uninstall.lnk" window_link=corvale.exe
  [ -n "$with_window" ] || { shortcuts=Uninstall.lnk; window_link=""; }
  if [ "$(echo $(ls "$start_menu" 2>&1))" = "$shortcuts" ] &&
     [ "$(strings -el "$start_menu/Corvale.lnk" 2>/dev/null | grep -x corvale.exe)" = "$window_link" ]; then
    pass "Start menu: $shortcuts"
  else
    fail "Start menu: $(ls "$start_menu" 2>&1 | tr '\n' ' ')"
  fi

  mkdir -p "$work/installed"
  cp "$here/tests/data/sample-textread.mobi" "$work/installed/book.mobi"
  if out=$(wine "$installed_dir/corvale-convert.exe" "$(wine_path "$work/installed/book.mobi")" 2>&1); then
    check_pdf "$work/installed/book.pdf" 3500 "book converted by the installed corvale-convert.exe"
  else
    fail "installed corvale-convert.exe: $out"
  fi
}

installer_uninstall_checks() {
  echo "== the uninstaller under wine"
  # Uninstall.exe runs a copy of itself with _?=FOLDER and returns at once;
  # running that copy here waits for the uninstall to finish.
  local status=0
  cp "$installed_dir/Uninstall.exe" "$work/uninstall-copy.exe" || status=$?
  nsis_silent "$work/uninstall-copy.exe" "_?=$install_folder" || status=$?
  if [ "$status" -eq 0 ] && [ "$(installed_files)" = notes.txt ] && [ ! -e "$start_menu" ]; then
    pass "silent uninstall: the user's notes.txt alone left, Start menu folder gone"
  else
    fail "silent uninstall (exit $status): left $(installed_files | tr '\n' ' '); $(ls "$start_menu" 2>&1)"
  fi
  check_registry 0 "registry entries removed" "${installer_entries[@]}" "${open_with_entries[@]}"
  check_registry 1 "another reader's .mobi entries kept" "${other_reader_entries[@]}"
}
