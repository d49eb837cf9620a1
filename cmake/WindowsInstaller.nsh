; What Corvale's installer adds to CPack's NSIS script (WindowsInstaller.cmake
; includes it among the script's definitions, before the pages): a 64-bit
; Unicode installer, the finish page that sends the user to wkhtmltopdf, and
; the Start-menu entry and "Open with" entry of the window, each undone by
; the uninstaller.

; The programs are 64-bit, and a 64-bit installer writes the registry and
; Program Files as they are, not their 32-bit views; Unicode so that an
; install folder with any name works.
Target amd64-unicode

; The line above the buttons names Corvale, not the installer's maker.
BrandingText "Corvale ${VERSION}"

; The last page: the PDFs need wkhtmltopdf for Windows, which the user
; installs on their own. Its installer puts it in
; %ProgramFiles%\wkhtmltopdf\bin, one of the places the renderer looks.
; CPack's script uses the first Modern UI, whose finish page reads its text
; from an INI file: a line break there is written \r\n.
!define MUI_FINISHPAGE_TITLE "Corvale is installed"
!define MUI_FINISHPAGE_TEXT "Corvale makes its PDF documents with wkhtmltopdf for Windows, which is installed on its own.\r\n\r\nIf it is not on this computer yet, download it from wkhtmltopdf.org and run its installer. It puts wkhtmltopdf into $PROGRAMFILES64\wkhtmltopdf\bin, where Corvale finds it."
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_LINK "wkhtmltopdf.org: download wkhtmltopdf for Windows"
!define MUI_FINISHPAGE_LINK_LOCATION "https://wkhtmltopdf.org/downloads.html"

; The file type under which Corvale offers itself for MOBI books.
!define CORVALE_PROGID "Corvale.MobiBook"
!define CORVALE_OPEN_COMMAND '"$INSTDIR\corvale.exe" "%1"'

; Tells the shell that file associations changed, so Explorer's "Open with"
; shows the change without a new sign-in.
!macro CorvaleAssociationsChanged
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; The window in the Start menu folder the user chose.
!macro CorvaleCreateShortcut
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Corvale.lnk" "$INSTDIR\corvale.exe"
!macroend
!macro CorvaleDeleteShortcut
  Delete "$SMPROGRAMS\$MUI_TEMP\Corvale.lnk"
!macroend

; Corvale in "Open with" of .mobi files, for all users or for this user as
; the install is (SHCTX): its own file type listed under the extension, and
; the program registered as an application that takes .mobi files. The
; extension's default program stays whatever the user chose.
!macro CorvaleRegisterOpenWith
  WriteRegStr SHCTX "Software\Classes\${CORVALE_PROGID}" "" "MOBI e-book"
  WriteRegStr SHCTX "Software\Classes\${CORVALE_PROGID}\DefaultIcon" "" "$INSTDIR\corvale.exe,0"
  WriteRegStr SHCTX "Software\Classes\${CORVALE_PROGID}\shell\open\command" "" '${CORVALE_OPEN_COMMAND}'
  WriteRegNone SHCTX "Software\Classes\.mobi\OpenWithProgids" "${CORVALE_PROGID}"
  WriteRegStr SHCTX "Software\Classes\.mobi\OpenWithList\corvale.exe" "" ""
  WriteRegStr SHCTX "Software\Classes\Applications\corvale.exe" "FriendlyAppName" "Corvale"
  WriteRegStr SHCTX "Software\Classes\Applications\corvale.exe\SupportedTypes" ".mobi" ""
  WriteRegStr SHCTX "Software\Classes\Applications\corvale.exe\shell\open\command" "" '${CORVALE_OPEN_COMMAND}'
  !insertmacro CorvaleAssociationsChanged
!macroend

; Takes away only what CorvaleRegisterOpenWith wrote; the .mobi key itself
; goes only when nothing else is left in it.
!macro CorvaleUnregisterOpenWith
  DeleteRegKey SHCTX "Software\Classes\Applications\corvale.exe"
  DeleteRegKey SHCTX "Software\Classes\${CORVALE_PROGID}"
  DeleteRegValue SHCTX "Software\Classes\.mobi\OpenWithProgids" "${CORVALE_PROGID}"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.mobi\OpenWithProgids"
  DeleteRegKey SHCTX "Software\Classes\.mobi\OpenWithList\corvale.exe"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.mobi\OpenWithList"
  DeleteRegKey /ifempty SHCTX "Software\Classes\.mobi"
  !insertmacro CorvaleAssociationsChanged
!macroend
