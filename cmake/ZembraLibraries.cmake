# The libraries the siblings and their tests build on, each found once and
# offered as one imported target, so that every library target links exactly
# the libraries it uses:
#   Zembra::qpdf        libqpdf (PointerHolder compatibility off: the code uses std::shared_ptr)
#   Zembra::poppler     poppler's core library (private headers: PDFDoc, OutputDev, structure tree)
#   Zembra::magickpp    ImageMagick's Magick++
#   Zembra::tiff        libtiff
#   Zembra::png         libpng
#   Zembra::jpeg        libjpeg
#   Zembra::zlib        zlib
#   Zembra::zip         libzip
#   Zembra::cairo       cairo with its PDF surface
#   Zembra::rsvg        librsvg
#   Zembra::fontconfig  fontconfig (family names of embedded fonts)
#   nlohmann_json::nlohmann_json and Threads::Threads come from their own packages.
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

# zembra_library(<name> <pkg-config module>...): Zembra::<name>.
function(zembra_library name)
  string(TOUPPER "ZEMBRA_LIB_${name}" prefix)
  pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET GLOBAL ${ARGN})
  add_library(Zembra::${name} ALIAS PkgConfig::${prefix})
endfunction()

zembra_library(qpdf libqpdf)
set_property(TARGET PkgConfig::ZEMBRA_LIB_QPDF APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS POINTERHOLDER_TRANSITION=4)
zembra_library(poppler poppler)
zembra_library(magickpp Magick++)
zembra_library(tiff libtiff-4)
zembra_library(png libpng)
zembra_library(jpeg libjpeg)
zembra_library(zlib zlib)
zembra_library(zip libzip)
zembra_library(cairo cairo cairo-pdf)
zembra_library(rsvg librsvg-2.0)
zembra_library(fontconfig fontconfig)
