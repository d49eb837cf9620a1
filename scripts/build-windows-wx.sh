#!/usr/bin/env bash
# Cross-builds wxWidgets for MSW, static, with only the parts the window uses,
# against the zlib, libpng and libjpeg already cross-built for Windows:
#   build-windows-wx.sh SOURCE_DIR DEPS_PREFIX PREFIX
# SOURCE_DIR holds the release and its SHA256SUMS; DEPS_PREFIX is the folder
# of the other cross-built libraries; PREFIX is made whole or not at all (the
# build goes to PREFIX.partial, renamed when it succeeds).
set -euo pipefail
src=$(cd "${1:?usage: build-windows-wx.sh SOURCE_DIR DEPS_PREFIX PREFIX}" && pwd)
deps=$(cd "${2:?usage: build-windows-wx.sh SOURCE_DIR DEPS_PREFIX PREFIX}" && pwd)
prefix=${3:?usage: build-windows-wx.sh SOURCE_DIR DEPS_PREFIX PREFIX}
triple=x86_64-w64-mingw32
release=wxwidgets3.2_3.2.2+dfsg.orig.tar.xz

(cd "$src" && grep -F " $release" SHA256SUMS | sha256sum --quiet -c -)

partial=$prefix.partial
work=$partial/src
rm -rf "$partial"
mkdir -p "$work"
tar xf "$src/$release" -C "$work"
cd "$work"/wxWidgets-*

# The window uses the base and core libraries, the web view (IE backend: the
# Edge backend's SDK is not available here) and the common controls and
# dialogs; everything else is switched off so the build stays short. Debian's
# source has the bundled image and compression libraries taken out: they come
# from DEPS_PREFIX.
features=(
  --disable-shared --with-msw --enable-unicode --enable-threads
  --with-zlib=sys --with-libpng=sys --with-libjpeg=sys
  --without-libtiff --without-expat --without-regex --without-liblzma
  --without-libcurl --without-opengl --without-sdl --without-subdirs
  --enable-webview --enable-webviewie --disable-webviewedge
  # Sub-libraries the program does not link.
  --disable-xrc --disable-html --disable-htmlhelp --disable-help
  --disable-mshtmlhelp --disable-aui --disable-ribbon --disable-propgrid
  --disable-richtext --disable-stc --disable-mediactrl --disable-debugreport
  # Networking: the promotion panel checks its address with its own sockets.
  --disable-sockets --disable-ipc --disable-protocols --disable-url
  --disable-fs_inet --disable-webrequest --disable-dialupman
  # Controls, dialogs and frameworks the window has none of.
  --disable-grid --disable-dataviewctrl --disable-calendar --disable-datepick
  --disable-timepick --disable-treelist --disable-editablebox --disable-wizarddlg
  --disable-tipdlg --disable-splash --disable-animatectrl --disable-richtooltip
  --disable-notifmsg --disable-taskbaricon --disable-mdi --disable-mdidoc
  --disable-docview --disable-printarch --disable-postscript --disable-svg
  --disable-joystick --disable-sound --disable-fontpicker --disable-colourpicker
  --disable-filepicker --disable-dirpicker --disable-collpane
  --disable-commandlinkbutton --disable-bannerwindow --disable-addremovectrl
  --disable-actindicator --disable-rearrangectrl --disable-searchctrl
  --disable-infobar --disable-prefseditor --disable-richmsgdlg --disable-creddlg
  --disable-finddlg --disable-fontdlg --disable-coldlg --disable-numberdlg
  --disable-textdlg --disable-progressdlg --disable-choicedlg --disable-aboutdlg
  --disable-busyinfo --disable-fswatcher --disable-secretstore
  --disable-spellcheck --disable-treebook --disable-toolbook --disable-listbook
  --disable-choicebook --disable-bmpcombobox --disable-odcombobox
  --disable-comboctrl --disable-arttango
)

export PKG_CONFIG_LIBDIR=$deps/lib/pkgconfig PKG_CONFIG_PATH=
start=$(date +%s)
./configure --host=$triple --prefix="$prefix" \
  CC=$triple-gcc-posix CXX=$triple-g++-posix \
  AR=$triple-gcc-ar-posix RANLIB=$triple-gcc-ranlib-posix \
  CPPFLAGS="-I$deps/include" LDFLAGS="-L$deps/lib" \
  "${features[@]}" >configure.log
configured=$(date +%s)
make -j"$(nproc)" >make.log
built=$(date +%s)
echo "wxWidgets: configure $((configured - start)) s, build $((built - configured)) s"

# Installed at PREFIX's final path (wx-config carries it), staged in PARTIAL.
make install DESTDIR="$partial/stage" >/dev/null
cd /
mv "$partial/stage$prefix"/* "$partial/"
rm -rf "$partial/stage" "$work"
rm -rf "$prefix"
mv "$partial" "$prefix"
