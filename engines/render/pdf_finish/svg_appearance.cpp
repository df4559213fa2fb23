#include "engines/render/pdf_finish/svg_appearance.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <librsvg/rsvg.h>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>

#include "engines/common/temp_dir.h"
#include "engines/render/pdf_finish/ghostscript.h"

namespace zembra::render::finish {
namespace {

struct HandleOwner {
  RsvgHandle* handle = nullptr;
  ~HandleOwner() {
    if (handle != nullptr) g_object_unref(handle);
  }
};

std::string TakeMessage(GError* error) {
  std::string message = error != nullptr && error->message != nullptr ? error->message : "unknown error";
  if (error != nullptr) g_error_free(error);
  return message;
}

}  // namespace

std::string RenderSvgToPdf(const std::string& svgPath, const std::string& pdfPath) {
  GError* gerror = nullptr;
  HandleOwner svg;
  svg.handle = rsvg_handle_new_from_file(svgPath.c_str(), &gerror);
  if (svg.handle == nullptr) return "cannot read SVG " + svgPath + ": " + TakeMessage(gerror);

  double width = 0;
  double height = 0;
  if (!rsvg_handle_get_intrinsic_size_in_pixels(svg.handle, &width, &height) || width <= 0 || height <= 0) {
    // Sizes in percent: fall back on the view box, else a check box's usual size.
    gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
    RsvgLength w, h;
    RsvgRectangle viewBox;
    rsvg_handle_get_intrinsic_dimensions(svg.handle, &hasWidth, &w, &hasHeight, &h, &hasViewBox, &viewBox);
    if (hasViewBox && viewBox.width > 0 && viewBox.height > 0) {
      width = viewBox.width;
      height = viewBox.height;
    } else {
      width = height = 16;
    }
  }

  cairo_surface_t* surface = cairo_pdf_surface_create(pdfPath.c_str(), width, height);
  cairo_t* cr = cairo_create(surface);
  RsvgRectangle viewport{0, 0, width, height};
  const bool drawn = rsvg_handle_render_document(svg.handle, cr, &viewport, &gerror);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (!drawn) return "cannot draw SVG " + svgPath + ": " + TakeMessage(gerror);
  if (status != CAIRO_STATUS_SUCCESS)
    return "cannot write the drawing of " + svgPath + ": " + cairo_status_to_string(status);
  return {};
}

QPDFObjectHandle SvgFormXObject(PdfDocument& document, const std::string& svgPath, bool grayscale,
                                std::string& error) {
  auto scratch = TempDir::Create("zembra-svg", error);
  if (!scratch) return QPDFObjectHandle::newNull();
  std::string pdfPath = scratch->path() + "/drawing.pdf";
  error = RenderSvgToPdf(svgPath, pdfPath);
  if (!error.empty()) return QPDFObjectHandle::newNull();
  if (grayscale) {
    GhostscriptSettings settings;
    settings.grayscale = true;
    const std::string grey = scratch->path() + "/grey.pdf";
    error = RunGhostscript(settings, pdfPath, grey);
    if (!error.empty()) return QPDFObjectHandle::newNull();
    pdfPath = grey;
  }
  // qpdf keeps the file open, so the scratch directory may go right after.
  QPDF* source = document.OpenSource(pdfPath, error);
  if (source == nullptr) return QPDFObjectHandle::newNull();
  try {
    auto pages = QPDFPageDocumentHelper(*source).getAllPages();
    if (pages.empty()) {
      error = "the drawing of " + svgPath + " has no page";
      return QPDFObjectHandle::newNull();
    }
    return document.qpdf().copyForeignObject(pages.front().getFormXObjectForPage());
  } catch (const std::exception& e) {
    error = "cannot use the drawing of " + svgPath + ": " + e.what();
    return QPDFObjectHandle::newNull();
  }
}

}  // namespace zembra::render::finish
