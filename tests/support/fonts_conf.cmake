# Private font configurations for the tests. Where a page breaks depends on
# the fonts that set it, and a machine with more fonts than DejaVu (which
# the renderer's package brings) would choose others: tests that render run
# with FONTCONFIG_FILE naming a configuration that knows only the folders
# given, with the generic families and the usual names of other fonts led
# to DejaVu, and none of the system's or the user's own rules. The system's
# wkhtmltopdf inherits it through the renderer.
#
# corvale_fonts_conf(VAR NAME FOLDERS...) writes fonts/NAME/fonts.conf in
# the build folder, its cache beside it, and sets VAR to its path.

function(corvale_fonts_conf var name)
  set(folder "${CMAKE_BINARY_DIR}/fonts/${name}")
  set(dirs "")
  foreach(font_folder IN LISTS ARGN)
    string(APPEND dirs "  <dir>${font_folder}</dir>\n")
  endforeach()
  set(aliases "")
  foreach(pair
      "serif=DejaVu Serif" "Times=DejaVu Serif" "Times New Roman=DejaVu Serif" "Georgia=DejaVu Serif"
      "sans-serif=DejaVu Sans" "Arial=DejaVu Sans" "Helvetica=DejaVu Sans" "Verdana=DejaVu Sans"
      "monospace=DejaVu Sans Mono" "Courier=DejaVu Sans Mono" "Courier New=DejaVu Sans Mono")
    string(REPLACE "=" ";" parts "${pair}")
    list(GET parts 0 asked)
    list(GET parts 1 given)
    string(APPEND aliases "  <alias binding=\"same\"><family>${asked}</family><prefer><family>${given}</family></prefer></alias>\n")
  endforeach()
  file(MAKE_DIRECTORY "${folder}/cache")
  file(WRITE "${folder}/fonts.conf"
    "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
    "${dirs}"
    "  <cachedir>${folder}/cache</cachedir>\n"
    "${aliases}"
    "  <!-- Any other family: the serif face, as a browser's default. -->\n"
    "  <match target=\"pattern\"><edit name=\"family\" mode=\"append_last\"><string>DejaVu Serif</string></edit></match>\n"
    "</fontconfig>\n")
  set(${var} "${folder}/fonts.conf" PARENT_SCOPE)
endfunction()

# DejaVu alone, the fonts of every machine the program runs on.
corvale_fonts_conf(CORVALE_TEST_FONTS_CONF dejavu /usr/share/fonts/truetype/dejavu)
# DejaVu and the font for Chinese, Japanese and Korean that
# scripts/install-deps.sh installs, for tests of what that font draws.
corvale_fonts_conf(CORVALE_TEST_CJK_FONTS_CONF dejavu-cjk
  /usr/share/fonts/truetype/dejavu /usr/share/fonts/truetype/wqy)
