// Keeping only part of every page (--crop-x/-y/-w/-h).
#pragma once

#include <qpdf/QPDF.hh>

#include <string>

namespace zembra::render::finish {

/// The part to keep, in CSS pixels (96 per inch) measured from the page's
/// top-left corner. A width or height of 0 keeps everything to the right or
/// bottom edge. The renderer passes the four --crop-* values as given.
struct CropPixels {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

/// Sets /CropBox on every page (clipped to the page's /MediaBox). Returns an
/// empty string, or the error when a value is negative or the area lies
/// entirely outside a page.
std::string ApplyCropBox(QPDF& pdf, const CropPixels& crop);

}  // namespace zembra::render::finish
