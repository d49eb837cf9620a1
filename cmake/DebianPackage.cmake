# The Debian package, made by CPack from the install rules:
#   cpack --config build/CPackConfig.cmake -B build   (scripts/package.sh)
# writes build/corvale_<version>_<architecture>.deb.
#
# The shared libraries the programs and tools link are found by
# dpkg-shlibdeps. What they need that is not linked is named here: the
# renderer drives Debian's wkhtmltopdf, and the pages it renders need fonts.
# The address is a placeholder until the maker names one: set it when
# configuring (-DCORVALE_PACKAGE_MAINTAINER="Name <address>").
set(CORVALE_PACKAGE_MAINTAINER "Lumeno <packages@lumeno.invalid>"
  CACHE STRING "Maintainer of the Debian package, as Name <address>")

include(${CMAKE_CURRENT_LIST_DIR}/PackageInfo.cmake)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvale)
set(CPACK_PACKAGE_CONTACT ${CORVALE_PACKAGE_MAINTAINER})
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Corvale converts e-books in the MOBI format into PDF documents of a chosen"
  "page size. Add a few books or a whole folder to its window, choose where"
  "the PDFs go, and convert all of them or the ticked ones, with a status for"
  "each book, a progress bar and a Stop button. An existing PDF is replaced"
  "only when you agree."
  ""
  "The corvale-convert command does the same conversion on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CORVALE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what dpkg-shlibdeps finds. The wrapper and its replacement both
# run the system's wkhtmltopdf; fonts-dejavu-core gives the pages their
# serif, sans and monospace faces, with Latin, Greek, Cyrillic, Arabic and
# Hebrew. DejaVu has no Chinese, Japanese or Korean, and the renderer drops
# characters no font has: WenQuanYi Micro Hei draws all three (20,932 of the
# 20,992 unified ideographs, the kana, every hangul syllable) for 5 MB
# installed, where Noto CJK takes 91 MB and WenQuanYi Zen Hei 16 MB. Either
# of those, when already installed, does as well.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "wkhtmltopdf, fonts-dejavu-core, fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
# xdg-open opens the help page and finished PDFs with the desktop's programs;
# the extra DejaVu faces give true italics.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-extra")

include(CPack)
