// The input PDF, read and rendered with poppler, one page at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/export/page_geometry.h"

namespace poppler {
class document;
}

namespace zembra::exporter {

/// A rendered page: rows packed without padding, 1 (grey) or 3 (RGB) bytes a
/// pixel, held in pixels or, straight from the renderer, in storage kept by holder.
struct RawImage {
  long width = 0;
  long height = 0;
  int channels = 3;
  std::vector<unsigned char> pixels;
  std::shared_ptr<void> holder;
  unsigned char* held = nullptr;

  const unsigned char* data() const { return held != nullptr ? held : pixels.data(); }
  size_t size() const {
    return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(channels);
  }
  /// Frees the pixels.
  void Release() {
    std::vector<unsigned char>().swap(pixels);
    holder.reset();
    held = nullptr;
  }
};

struct RenderStyle {
  bool gray = false;  ///< render 8-bit grey instead of RGB
  bool textAntialias = true;
  bool vectorAntialias = true;
};

class PdfInput {
 public:
  /// Opens and, when encrypted, unlocks the PDF. Fails with a one-line
  /// error for a missing, unreadable or damaged file and for a missing or
  /// wrong password.
  static std::unique_ptr<PdfInput> Open(const std::string& path, const std::string& ownerPassword,
                                        const std::string& userPassword, std::string& error);
  ~PdfInput();
  PdfInput(const PdfInput&) = delete;
  PdfInput& operator=(const PdfInput&) = delete;

  int pageCount() const;

  /// A text entry of the document information dictionary, if present.
  std::optional<std::string> Info(const std::string& key) const;

  /// The page's size in points as displayed (its own rotation applied); index from 0.
  bool PageSize(int index, double& widthPoints, double& heightPoints, std::string& error) const;

  /// Renders a page at the geometry's resolutions and pixel size on white.
  /// Not safe to call from two threads at once.
  bool Render(int index, const PageGeometry& geometry, const RenderStyle& style, RawImage& image,
              std::string& error) const;

 private:
  explicit PdfInput(std::unique_ptr<poppler::document> document);
  std::unique_ptr<poppler::document> document_;
};

}  // namespace zembra::exporter
