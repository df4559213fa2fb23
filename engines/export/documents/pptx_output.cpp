#include "engines/export/documents/pptx_output.h"

#include <zip.h>

#include <deque>
#include <memory>
#include <optional>

#include "engines/common/temp_dir.h"
#include "engines/export/documents/document_reader.h"
#include "engines/export/documents/page_background.h"
#include "engines/export/documents/png_file.h"
#include "engines/export/documents/pptx_parts.h"
#include "engines/export/documents/pptx_slide.h"

namespace zembra::exporter {

namespace {

// A zip archive being written; libzip reads the added data only on close,
// so the texts are kept here until then.
class Package {
 public:
  explicit Package(zip_t* archive) : archive_(archive) {}
  ~Package() {
    if (archive_ != nullptr) zip_discard(archive_);
  }
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  bool AddText(const std::string& name, std::string text) {
    texts_.push_back(std::move(text));
    zip_source_t* source = zip_source_buffer(archive_, texts_.back().data(), texts_.back().size(), 0);
    return Add(name, source, ZIP_CM_DEFLATE);
  }

  /// data must stay as it is until Close.
  bool AddStored(const std::string& name, const std::string& data) {
    return Add(name, zip_source_buffer(archive_, data.data(), data.size(), 0), ZIP_CM_STORE);
  }

  bool AddFile(const std::string& name, const std::string& path) {
    // PNG is compressed already.
    return Add(name, zip_source_file(archive_, path.c_str(), 0, -1), ZIP_CM_STORE);
  }

  bool Close(std::string& error) {
    if (!failed_ && zip_close(archive_) == 0) {
      archive_ = nullptr;
      return true;
    }
    error = std::string("cannot write the presentation: ") + zip_strerror(archive_);
    return false;
  }

 private:
  bool Add(const std::string& name, zip_source_t* source, zip_int32_t method) {
    if (source == nullptr) {
      failed_ = true;
      return false;
    }
    const zip_int64_t index = zip_file_add(archive_, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      failed_ = true;
      return false;
    }
    zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), method, 0);
    return true;
  }

  zip_t* archive_;
  std::deque<std::string> texts_;
  bool failed_ = false;
};

// The slide's background picture: the page without its text boxes' text
// and its pictures, at kSlidePictureDpi per inch of the slide. Written to
// path, or nothing (path cleared) when it shows nothing but white. The
// content learns where its lines were printed, and which were sideways.
bool WriteBackground(PageBackgrounds& backgrounds, int index, const PageFrame& frame, const Placement& placement,
                     PageContent& content, std::string& path, std::string& error) {
  const double dpi = kSlidePictureDpi * placement.scale / kEmuPerPoint;
  const std::optional<BackgroundSize> size = BackgroundSizeFor(frame.width, frame.height, dpi, error);
  RawImage image;
  std::vector<PrintedLine> printed;
  if (!size || !backgrounds.Render(index, *size, CutoutsOf(content), image, error, &printed)) {
    error = "page " + std::to_string(index + 1) + ": " + error;
    return false;
  }
  SetPrinted(content, printed);
  if (IsBlank(image)) {
    path.clear();
    return true;
  }
  return WritePagePng(image, size->dpi, path, error);
}

}  // namespace

bool WritePresentation(const PdfInput& input, PageSpan pages, const Document& document, const std::string& output,
                       std::string& error) {
  if (document.pages.empty() || static_cast<int>(document.pages.size()) != pages.count()) {
    error = "the document holds " + std::to_string(document.pages.size()) + " pages of the " +
            std::to_string(pages.count()) + " selected";
    return false;
  }
  std::unique_ptr<TempDir> scratch = TempDir::Create("zemexport-pptx", error);
  if (!scratch) return false;

  std::vector<PageContent> contents = ContentByPage(document);
  const size_t slides = document.pages.size();
  const SlideSize size = SlideSizeFor(document.pages[0].width, document.pages[0].height);

  int zipError = 0;
  zip_t* archive = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zipError);
  if (archive == nullptr) {
    error = "cannot create the presentation file " + output;
    return false;
  }
  Package package(archive);
  bool added = package.AddText("[Content_Types].xml", ContentTypesXml(slides)) &&
               package.AddText("_rels/.rels", RootRelationshipsXml()) &&
               package.AddText("docProps/core.xml", CorePropertiesXml(document.title)) &&
               package.AddText("docProps/app.xml", AppPropertiesXml(slides)) &&
               package.AddText("ppt/presentation.xml", PresentationXml(slides, size)) &&
               package.AddText("ppt/_rels/presentation.xml.rels", PresentationRelationshipsXml(slides)) &&
               package.AddText("ppt/slideMasters/slideMaster1.xml", SlideMasterXml()) &&
               package.AddText("ppt/slideMasters/_rels/slideMaster1.xml.rels", SlideMasterRelationshipsXml()) &&
               package.AddText("ppt/slideLayouts/slideLayout1.xml", SlideLayoutXml()) &&
               package.AddText("ppt/slideLayouts/_rels/slideLayout1.xml.rels", SlideLayoutRelationshipsXml()) &&
               package.AddText("ppt/theme/theme1.xml", ThemeXml()) &&
               package.AddText("ppt/presProps.xml", PresentationPropertiesXml()) &&
               package.AddText("ppt/viewProps.xml", ViewPropertiesXml()) &&
               package.AddText("ppt/tableStyles.xml", TableStylesXml());
  PageBackgrounds backgrounds(input);
  for (size_t i = 0; added && i < slides; ++i) {
    const std::string number = std::to_string(i + 1);
    const PageFrame& frame = document.pages[i];
    const Placement placement = PlacePage(size, frame.width, frame.height);
    PageContent& content = contents[i];
    SlideMedia media;
    std::string background = scratch->path() + "/page" + number + ".png";
    if (!WriteBackground(backgrounds, pages.first - 1 + static_cast<int>(i), frame, placement, content, background,
                         error)) {
      return false;
    }
    if (!background.empty()) {
      media.background = "../media/page" + number + ".png";
      added = package.AddFile("ppt/media/page" + number + ".png", background);
    }
    for (size_t k = 0; added && k < content.pictures.size(); ++k) {
      const std::string name = "page" + number + "-picture" + std::to_string(k + 1) + ".png";
      media.pictures.push_back("../media/" + name);
      added = package.AddStored("ppt/media/" + name, content.pictures[k]->png);
    }
    const SlideParts parts = BuildSlide(content, placement, media, document.language);
    added = added && package.AddText("ppt/slides/slide" + number + ".xml", parts.xml) &&
            package.AddText("ppt/slides/_rels/slide" + number + ".xml.rels", parts.relationships);
  }
  if (!added) {
    error = "cannot assemble the presentation package";
    return false;
  }
  return package.Close(error);
}

bool WritePptx(const ExportJob& job, std::string& error) {
  const std::optional<Document> document = ReadDocument(job.input, job.pages, error);
  return document && WritePresentation(job.input, job.pages, *document, job.outputs.path(0), error);
}

}  // namespace zembra::exporter
