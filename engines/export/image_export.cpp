#include "engines/export/image_export.h"

// assert.h before Magick++, which includes it inside its own namespace: the
// asserts of poppler's headers would not find it there.
#include <cassert>

#include <Magick++.h>
#include <malloc.h>
#include <poppler/PDFDoc.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "engines/common/numbers.h"
#include "engines/export/direct_encoder.h"
#include "engines/export/image_encoder.h"
#include "engines/export/image_processing.h"
#include "engines/export/page_geometry.h"
#include "engines/export/page_pipeline.h"
#include "engines/export/page_renderer.h"
#include "engines/export/tiff_writer.h"

namespace zembra::exporter {

namespace {

constexpr int kDefaultJpegQuality = 85;

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
  /// PNG, JPEG or TIFF of pages that need no processing but perhaps a
  /// threshold: the rendered rows go straight to the encoder, band by band.
  bool streamed = false;
};

Plan MakePlan(const ExportOptions& options, Format format, const RendererHints& hints, const Diagnostics& diagnostics) {
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
  // A threshold works row by row; dithering, trimming, turning and the fax
  // width need the image library and the whole page.
  const bool rowByRow = (plan.mode != ColourMode::kBilevel || options.dither == DitherMethod::kNone) && !options.trim &&
                        options.rotation == 0 && plan.size.faxYResolution == 0;
  plan.streamed = rowByRow && (format == Format::kPng || format == Format::kJpeg || tiff);
  return plan;
}

// Black below the threshold, white from it on, as the image library's path does.
void Threshold(RawImage& rows, long threshold) {
  unsigned char* pixel = rows.held != nullptr ? rows.held : rows.pixels.data();
  const size_t size = rows.size();
  for (size_t i = 0; i < size; ++i) pixel[i] = pixel[i] >= threshold ? 255 : 0;
}

// What every thread of a series shares.
struct Series {
  const ExportJob& job;
  const Plan& plan;
  TiffWriter* sharedTiff;  ///< every page into one TIFF, or nullptr
  /// Bands a streamed page is drawn in: one per thread, so that the bitmaps
  /// of all threads together take one page, as one thread drawing whole pages.
  int bands;
};

class ImageWorker final : public PageWorker {
 public:
  ImageWorker(const Series& series, PDFDoc& doc, std::unique_ptr<PDFDoc> own)
      : series_(series), own_(std::move(own)), doc_(doc), renderer_(doc, series.plan.style) {}

  bool Handle(int n, const std::function<bool()>& abandon, std::string& error) override {
    const int index = series_.job.pages.first - 1 + n;
    try {
      return HandlePage(n, index, abandon, error);
    } catch (const std::exception& failure) {  // the image library's errors, or out of memory
      error = "page " + std::to_string(index + 1) + ": " + failure.what();
      return false;
    }
  }

 private:
  bool HandlePage(int n, int index, const std::function<bool()>& abandon, std::string& error) {
    double widthPoints = 0;
    double heightPoints = 0;
    if (!DisplayedPageSize(doc_, index, widthPoints, heightPoints, error)) return false;
    const std::optional<PageGeometry> geometry =
        ComputePageGeometry(widthPoints, heightPoints, series_.plan.size, error);
    if (!geometry) {
      error = "page " + std::to_string(index + 1) + ": " + error;
      return false;
    }
    const ExportOptions& options = series_.job.options;
    RowFormat format;
    format.width = geometry->width;
    format.height = geometry->height;
    format.channels = series_.plan.style.gray ? 1 : 3;
    format.bilevel = series_.plan.mode == ColourMode::kBilevel;
    format.xDpi = options.forcedXDpi ? static_cast<double>(*options.forcedXDpi) : geometry->xDpi;
    format.yDpi = options.forcedYDpi ? static_cast<double>(*options.forcedYDpi) : geometry->yDpi;
    const std::string& path = series_.job.outputs.path(series_.sharedTiff != nullptr ? 0 : static_cast<size_t>(n));
    return series_.plan.streamed ? Stream(index, *geometry, format, path, abandon, error)
                                 : ThroughImageLibrary(index, *geometry, format, path, abandon, error);
  }

  std::unique_ptr<RowWriter> OpenWriter(const RowFormat& format, const std::string& path, std::string& error) {
    const Plan& plan = series_.plan;
    switch (series_.job.format.format) {
      case Format::kPng:
        return OpenPngWriter(path, format, error);
      case Format::kJpeg:
        return OpenJpegWriter(path, format, plan.jpegQuality, error);
      default:
        return series_.sharedTiff != nullptr ? TiffPageRows(*series_.sharedTiff, format, error)
                                             : OpenTiffPageWriter(path, plan.tiff, plan.jpegQuality, format, error);
    }
  }

  bool Stream(int index, const PageGeometry& geometry, const RowFormat& format, const std::string& path,
              const std::function<bool()>& abandon, std::string& error) {
    std::unique_ptr<RowWriter> writer = OpenWriter(format, path, error);
    if (!writer) return false;
    const size_t rowBytes = static_cast<size_t>(format.width) * static_cast<size_t>(format.channels);
    const long bandRows = (geometry.height + series_.bands - 1) / series_.bands;
    for (long done = 0; done < geometry.height;) {
      // The last band is drawn as tall as the others, over rows already
      // written: the device keeps one bitmap from band to band.
      const long first = std::min(done, geometry.height - bandRows);
      if (!renderer_.Render(index, geometry, first, bandRows, bandImage_, error, abandon)) return false;
      if (format.bilevel) Threshold(bandImage_, series_.plan.process.threshold);
      const long skip = done - first;
      if (!writer->Write(bandImage_.data() + static_cast<size_t>(skip) * rowBytes, bandRows - skip, error))
        return false;
      done = first + bandRows;
    }
    bandImage_.Release();
    return writer->Finish(error);
  }

  // One thread does this: the image library spreads its own work over the
  // processors, and its working copies of a page are large.
  bool ThroughImageLibrary(int index, const PageGeometry& geometry, const RowFormat& format, const std::string& path,
                           const std::function<bool()>& abandon, std::string& error) {
    RawImage page;
    if (!renderer_.Render(index, geometry, 0, geometry.height, page, error, abandon)) return false;
    const Plan& plan = series_.plan;
    const Format output = series_.job.format.format;
    // The image library copies the page: the bitmap goes with this copy
    // instead of staying with the device beside it.
    renderer_.HandOver(page);
    Magick::Image image = ToMagickImage(std::move(page));
    image.quiet(true);
    ProcessSettings settings = plan.process;
    settings.padToWidth = geometry.padToWidth;
    settings.xDpi = format.xDpi;
    settings.yDpi = format.yDpi;
    ProcessImage(image, settings);
    if (output != Format::kTiff) return WriteImageFile(image, output, plan.mode, plan.jpegQuality, path, error);
    const TiffPage tiffPage = TiffPageFromImage(image, plan.mode, settings.xDpi, settings.yDpi);
    image = Magick::Image();
    if (series_.sharedTiff != nullptr) return series_.sharedTiff->AddPage(tiffPage, error);
    std::unique_ptr<TiffWriter> writer = TiffWriter::Open(path, plan.tiff, plan.jpegQuality, 1, error);
    return writer && writer->AddPage(tiffPage, error) && writer->Close(error);
  }

  const Series& series_;
  std::unique_ptr<PDFDoc> own_;
  PDFDoc& doc_;
  PageRenderer renderer_;
  RawImage bandImage_;
};

}  // namespace

bool WriteImages(const ExportJob& job, std::string& error) {
  return WriteImagesOnThreads(job, UsableProcessors(), error);
}

bool WriteImagesOnThreads(const ExportJob& job, int threads, std::string& error) {
  const ExportOptions& options = job.options;
  const Plan plan =
      MakePlan(options, job.format.format, ReadRendererHints(job.input, job.diagnostics), job.diagnostics);
  const int pageCount = job.pages.count();
  std::unique_ptr<TiffWriter> sharedTiff;
  if (job.format.multipage && options.multipage) {
    sharedTiff = TiffWriter::Open(job.outputs.path(0), plan.tiff, plan.jpegQuality, pageCount, error);
    if (!sharedTiff) return false;
  }
  // Pages of one file are written in order, by one thread; the image
  // library's pages are too large for two at once.
  if (sharedTiff || !plan.streamed) threads = 1;
  threads = std::clamp(threads, 1, pageCount);
  if (!plan.streamed) {
    static std::once_flag magickReady;
    std::call_once(magickReady, [] { Magick::InitializeMagick(nullptr); });
  }
  // Blocks of a megabyte and more (bitmaps, the image library's copies of a
  // page) straight from the system and back to it when freed. glibc would
  // otherwise raise this threshold after the first large block is freed and
  // serve later pages from its heap, which a long series leaves fragmented:
  // memory would grow with the page count.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  const Series series{job, plan, sharedTiff.get(), threads};
  const PageWorkerMaker makeWorker = [&](int thread, std::string& failure) -> std::unique_ptr<PageWorker> {
    // The first thread draws on the opened document; a PDFDoc is not to be shared.
    if (thread == 0) return std::make_unique<ImageWorker>(series, job.input.core(), nullptr);
    std::unique_ptr<PDFDoc> own = job.input.OpenAgain(failure);
    if (!own) return nullptr;
    PDFDoc& doc = *own;
    return std::make_unique<ImageWorker>(series, doc, std::move(own));
  };
  if (!RunPages(pageCount, threads, makeWorker, error)) return false;
  return !sharedTiff || sharedTiff->Close(error);
}

}  // namespace zembra::exporter
