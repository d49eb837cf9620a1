# What every package of Corvale says about it, whatever its format.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Lumeno)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts MOBI e-books into PDF documents")
# The programs' debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
