#include "engines/export/image_export.h"

#include <Magick++.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "engines/common/numbers.h"
#include "engines/export/direct_encoder.h"
#include "engines/export/image_encoder.h"
#include "engines/export/image_processing.h"
#include "engines/export/page_geometry.h"
#include "engines/export/tiff_writer.h"

namespace zembra::exporter {

namespace {

constexpr int kDefaultJpegQuality = 85;

struct RenderedPage {
  int index = 0;  ///< 0-based page of the document
  PageGeometry geometry;
  RawImage image;
  std::string error;  ///< set when the page could not be rendered
};

// Hands rendered pages from the rendering thread to the encoding one. The
// renderer starts a page only once the previous one was taken, so at most
// two pages are in memory: one being encoded, one being rendered. Without
// overlap it waits until the previous page is encoded, too: one page at a time.
class PageQueue {
 public:
  explicit PageQueue(bool overlap) : overlap_(overlap) {}

  bool WaitForRoom() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (!slot_ && !encoding_) || stopped_; });
    return !stopped_;
  }
  void Put(RenderedPage page) {
    std::lock_guard lock(mutex_);
    slot_ = std::move(page);
    changed_.notify_all();
  }
  RenderedPage Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return slot_.has_value(); });
    RenderedPage page = std::move(*slot_);
    slot_.reset();
    encoding_ = !overlap_;
    changed_.notify_all();
    return page;
  }
  /// The page taken last is written and released.
  void Encoded() {
    std::lock_guard lock(mutex_);
    encoding_ = false;
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<RenderedPage> slot_;
  const bool overlap_;
  bool encoding_ = false;
  bool stopped_ = false;
};

/// Hints the renderer records in the PDF's document information.
struct RendererHints {
  std::optional<long> imageHeight;  ///< /ZembraImageHeight
  std::optional<long> jpegQuality;  ///< /ZembraJpegQuality
};

// A malformed hint is reported through warnings and ignored.
RendererHints ReadRendererHints(const PdfInput& input, const Diagnostics& diagnostics) {
  RendererHints hints;
  auto read = [&](const char* key, long max, std::optional<long>& target) {
    const std::optional<std::string> text = input.Info(key);
    if (!text) return;
    target = ParseInteger(*text, 1, max);
    if (!target) diagnostics.warn(std::string("the input's /") + key + " value '" + *text + "' is invalid; ignored");
  };
  read("ZembraImageHeight", kMaxPageSide, hints.imageHeight);
  read("ZembraJpegQuality", 100, hints.jpegQuality);
  return hints;
}

struct Plan {
  ColourMode mode = ColourMode::kColour;
  TiffEncoding tiff;
  SizeRequest size;
  RenderStyle style;
  ProcessSettings process;
  int jpegQuality = kDefaultJpegQuality;
  bool direct = false;   ///< PNG or JPEG of unprocessed colour or grey pages: no image library copy
  bool rawTiff = false;  ///< TIFF of unprocessed colour or grey pages: rendered pixels straight to libtiff
};

Plan MakePlan(const ExportOptions& options, Format format, const RendererHints& hints,
              const Diagnostics& diagnostics) {
  Plan plan;
  const bool tiff = format == Format::kTiff;
  bool bilevel = options.mono || (tiff && options.forceBilevelTiff);
  if (tiff) {
    plan.tiff = *ResolveTiffCompression(options.tiffCompression, bilevel);
    if (!plan.tiff.warning.empty()) diagnostics.warn(plan.tiff.warning);
    bilevel = bilevel || plan.tiff.bilevel;
  } else {
    if (options.tiffCompression) diagnostics.warn("-compress applies to TIFF output only; ignored");
    if (options.multipage) diagnostics.warn("-multipage applies to TIFF output only; one file per page is written");
    if (options.forceBilevelTiff) diagnostics.warn("-forcebwtif applies to TIFF output only; ignored (use -mono)");
  }
  plan.mode = bilevel ? ColourMode::kBilevel : options.gray ? ColourMode::kGray : ColourMode::kColour;

  plan.size.xResolution = options.xResolution;
  plan.size.yResolution = options.yResolution;
  plan.size.width = options.width;
  plan.size.height = options.height ? options.height : hints.imageHeight;
  plan.size.faxYResolution = tiff ? plan.tiff.faxYResolution : 0;
  if (plan.size.faxYResolution > 0 && (options.width || options.height)) {
    diagnostics.warn("fax pages are 1728 pixels wide; -w and -h are ignored");
  }

  plan.style.gray = plan.mode != ColourMode::kColour;
  plan.style.textAntialias = options.textAntialias;
  plan.style.vectorAntialias = options.vectorAntialias;

  plan.process.trim = options.trim;
  plan.process.rotation = options.rotation;
  plan.process.mode = plan.mode;
  plan.process.dither = options.dither;
  plan.process.threshold = options.threshold;
  plan.process.palette = format == Format::kGif;
  plan.jpegQuality = hints.jpegQuality ? static_cast<int>(*hints.jpegQuality) : kDefaultJpegQuality;
  const bool unprocessed = plan.mode != ColourMode::kBilevel && !options.trim && options.rotation == 0;
  plan.direct = unprocessed && (format == Format::kPng || format == Format::kJpeg);
  plan.rawTiff = unprocessed && tiff && plan.size.faxYResolution == 0;
  return plan;
}

void RenderPages(const PdfInput& input, int first, int last, const Plan& plan, PageQueue& queue) {
  for (int index = first; index <= last; ++index) {
    if (!queue.WaitForRoom()) return;
    RenderedPage page;
    page.index = index;
    double widthPoints = 0;
    double heightPoints = 0;
    std::string error;
    std::optional<PageGeometry> geometry;
    if (input.PageSize(index, widthPoints, heightPoints, error)) {
      geometry = ComputePageGeometry(widthPoints, heightPoints, plan.size, error);
    }
    try {
      if (geometry && input.Render(index, *geometry, plan.style, page.image, error)) {
        page.geometry = *geometry;
      } else {
        page.error = "page " + std::to_string(index + 1) + ": " + error;
      }
    } catch (const std::exception& failure) {  // out of memory, mostly
      page.error = "page " + std::to_string(index + 1) + ": " + failure.what();
    }
    const bool failed = !page.error.empty();
    queue.Put(std::move(page));
    if (failed) return;
  }
}

// Adds a page to the multi-page TIFF, or writes it as a TIFF of its own.
bool WriteTiffPage(TiffWriter* shared, const TiffPage& page, const std::string& path, const Plan& plan,
                   std::string& error) {
  if (shared != nullptr) return shared->AddPage(page, error);
  std::unique_ptr<TiffWriter> writer = TiffWriter::Open(path, plan.tiff, plan.jpegQuality, 1, error);
  return writer && writer->AddPage(page, error) && writer->Close(error);
}

}  // namespace

bool WriteImages(const ExportJob& job, std::string& error) {
  static std::once_flag magickReady;
  std::call_once(magickReady, [] { Magick::InitializeMagick(nullptr); });
  const ExportOptions& options = job.options;
  const Format format = job.format.format;
  const Plan plan = MakePlan(options, format, ReadRendererHints(job.input, job.diagnostics), job.diagnostics);
  const int pageCount = job.pages.count();

  std::unique_ptr<TiffWriter> sharedTiff;
  if (job.format.multipage && options.multipage) {
    sharedTiff = TiffWriter::Open(job.outputs.path(0), plan.tiff, plan.jpegQuality, pageCount, error);
    if (!sharedTiff) return false;
  }

  // The direct encoders take a fraction of the rendering time (PNG on two
  // threads of its own), so overlapping them would cost a page of memory for
  // little; TIFF and the image library's encoders take as long as rendering, and overlap.
  PageQueue queue(!plan.direct);
  std::thread renderer(RenderPages, std::cref(job.input), job.pages.first - 1, job.pages.last - 1, std::cref(plan),
                       std::ref(queue));
  bool ok = true;
  for (int n = 0; n < pageCount && ok; ++n) {
    if (n > 0) queue.Encoded();
    RenderedPage page = queue.Take();
    if (!page.error.empty()) {
      error = page.error;
      ok = false;
      break;
    }
    const double xDpi = options.forcedXDpi ? static_cast<double>(*options.forcedXDpi) : page.geometry.xDpi;
    const double yDpi = options.forcedYDpi ? static_cast<double>(*options.forcedYDpi) : page.geometry.yDpi;
    const std::string& path = job.outputs.path(sharedTiff ? 0 : static_cast<size_t>(n));
    if (plan.direct) {
      ok = format == Format::kPng ? WriteDirectPng(page.image, xDpi, yDpi, path, error)
                                  : WriteDirectJpeg(page.image, xDpi, yDpi, plan.jpegQuality, path, error);
      continue;
    }
    if (plan.rawTiff) {
      TiffPage tiffPage{page.image.width,
                        page.image.height,
                        page.image.channels,
                        false,
                        std::vector<unsigned char>(page.image.data(), page.image.data() + page.image.size()),
                        xDpi,
                        yDpi};
      page.image.Release();
      ok = WriteTiffPage(sharedTiff.get(), tiffPage, path, plan, error);
      continue;
    }
    try {
      Magick::Image image = ToMagickImage(std::move(page.image));
      image.quiet(true);
      ProcessSettings settings = plan.process;
      settings.padToWidth = page.geometry.padToWidth;
      settings.xDpi = xDpi;
      settings.yDpi = yDpi;
      ProcessImage(image, settings);
      if (format == Format::kTiff) {
        const TiffPage tiffPage = TiffPageFromImage(image, plan.mode, settings.xDpi, settings.yDpi);
        image = Magick::Image();
        ok = WriteTiffPage(sharedTiff.get(), tiffPage, path, plan, error);
      } else {
        ok = WriteImageFile(image, format, plan.mode, plan.jpegQuality, path, error);
      }
    } catch (const std::exception& failure) {  // the image library's errors, or out of memory
      error = "page " + std::to_string(page.index + 1) + ": " + failure.what();
      ok = false;
    }
  }
  queue.Stop();
  renderer.join();
  if (!ok) return false;
  return !sharedTiff || sharedTiff->Close(error);
}

}  // namespace zembra::exporter
