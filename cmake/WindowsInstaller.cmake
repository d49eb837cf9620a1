# The Windows installer, made by CPack's NSIS generator (makensis) from the
# install rules:
#   cpack --config build-windows/CPackConfig.cmake -B build-windows
# writes build-windows/Corvale-<version>-win64.exe (scripts/build-windows.sh
# does this last). It installs the programs and core\ into
# %ProgramFiles%\Corvale with an uninstaller and its entry in Add/Remove
# Programs; when the window is built, also its Start-menu entry and its
# "Open with" entry for .mobi files. Silent: /S, and /D=FOLDER for the folder.
# What CPack's own script lacks is in WindowsInstaller.nsh.
include(${CMAKE_CURRENT_LIST_DIR}/PackageInfo.cmake)
# The values below hold NSIS text (quotes, $ variables): written as they are.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Corvale)
set(CPACK_PACKAGE_FILE_NAME Corvale-${PROJECT_VERSION}-win64)
# One folder and one registry key for every version, so a new version
# replaces the old one (which is uninstalled first) instead of sitting beside it.
set(CPACK_PACKAGE_INSTALL_DIRECTORY Corvale)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Corvale)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Corvale)
set(CPACK_NSIS_DISPLAY_NAME Corvale)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/icon/corvale.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/icon/corvale.ico)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# Corvale has no licence text of its own to agree to (CPack would show a
# generic one).
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_DEFINES "!include \"${CMAKE_CURRENT_LIST_DIR}/WindowsInstaller.nsh\"")

# The window's shortcut and file association name corvale.exe, so they come
# only with it; Add/Remove Programs shows its icon, else the uninstaller's.
if(TARGET corvale)
  set(CPACK_NSIS_INSTALLED_ICON_NAME corvale.exe)
  set(CPACK_NSIS_CREATE_ICONS_EXTRA "!insertmacro CorvaleCreateShortcut")
  set(CPACK_NSIS_DELETE_ICONS_EXTRA "!insertmacro CorvaleDeleteShortcut")
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro CorvaleRegisterOpenWith")
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro CorvaleUnregisterOpenWith")
else()
  set(CPACK_NSIS_INSTALLED_ICON_NAME Uninstall.exe)
endif()

include(CPack)
