#include "engines/render/pdf_finish/crop_box.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <exception>

namespace zembra::render::finish {
namespace {
constexpr double kPointsPerPixel = 72.0 / 96.0;
}

std::string ApplyCropBox(QPDF& pdf, const CropPixels& crop) {
  if (crop.x < 0 || crop.y < 0 || crop.width < 0 || crop.height < 0)
    return "--crop-x, --crop-y, --crop-w and --crop-h must not be negative";
  try {
    int number = 0;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
      ++number;
      const QPDFObjectHandle::Rectangle media = page.getMediaBox(true).getArrayAsRectangle();
      const double left = media.llx + crop.x * kPointsPerPixel;
      const double top = media.ury - crop.y * kPointsPerPixel;
      const double right = crop.width > 0 ? std::min(media.urx, left + crop.width * kPointsPerPixel) : media.urx;
      const double bottom = crop.height > 0 ? std::max(media.lly, top - crop.height * kPointsPerPixel) : media.lly;
      if (left >= right || bottom >= top)
        return "the crop area lies outside page " + std::to_string(number);
      page.getObjectHandle().replaceKey(
          "/CropBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(left, bottom, right, top)));
    }
  } catch (const std::exception& e) {
    return std::string("cannot set the crop box: ") + e.what();
  }
  return {};
}

}  // namespace zembra::render::finish
