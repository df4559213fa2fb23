// SVG images as PDF drawings, for the appearances of check boxes and radio
// buttons (--checkbox-svg and friends).
#pragma once

#include <qpdf/QPDFObjectHandle.hh>

#include <string>

#include "engines/render/pdf_finish/pdf_document.h"

namespace zembra::render::finish {

/// Renders the SVG file into a one-page PDF at pdfPath (page size: the SVG's
/// own size, one point per pixel). Returns an empty string or the error.
std::string RenderSvgToPdf(const std::string& svgPath, const std::string& pdfPath);

/// A form XObject in document that draws the SVG (its /BBox is the SVG's
/// size). With grayscale the drawing is turned grey with Ghostscript first.
/// Null with error set on failure.
QPDFObjectHandle SvgFormXObject(PdfDocument& document, const std::string& svgPath, bool grayscale,
                                std::string& error);

}  // namespace zembra::render::finish
