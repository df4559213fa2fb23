#include "engines/export/documents/pptx_output.h"

#include <zip.h>

#include <deque>
#include <memory>

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "engines/common/temp_dir.h"
#include "engines/export/documents/page_layout.h"
#include "engines/export/documents/png_file.h"
#include "engines/export/documents/pptx_parts.h"

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

bool RenderPage(const poppler::page& page, const std::string& path, std::string& error) {
  poppler::page_renderer renderer;
  renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
  renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
  renderer.set_image_format(poppler::image::format_argb32);
  const poppler::image picture = renderer.render_page(&page, kSlidePictureDpi, kSlidePictureDpi);
  return WritePagePng(picture, kSlidePictureDpi, path, error);
}

std::string DocumentTitle(const poppler::document& document) {
  const poppler::byte_array utf8 = document.get_title().to_utf8();
  return std::string(utf8.begin(), utf8.end());
}

}  // namespace

bool WritePptx(const ExportJob& job, std::string& error) {
  const poppler::document& document = job.input.document();
  const PageSpan pages = job.pages;
  const std::string& output = job.outputs.path(0);
  std::unique_ptr<TempDir> scratch = TempDir::Create("zemexport-pptx", error);
  if (!scratch) return false;

  const std::vector<PageText> texts = ReadPagesText(document, pages.first, pages.last);
  const size_t slides = texts.size();
  const SlideSize size = SlideSizeFor(texts[0].width, texts[0].height);

  int zipError = 0;
  zip_t* archive = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zipError);
  if (archive == nullptr) {
    error = "cannot create the presentation file " + output;
    return false;
  }
  Package package(archive);
  bool added = package.AddText("[Content_Types].xml", ContentTypesXml(slides)) &&
               package.AddText("_rels/.rels", RootRelationshipsXml()) &&
               package.AddText("docProps/core.xml", CorePropertiesXml(DocumentTitle(document))) &&
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
  for (size_t i = 0; added && i < slides; ++i) {
    const std::string number = std::to_string(i + 1);
    std::unique_ptr<poppler::page> page(document.create_page(pages.first - 1 + static_cast<int>(i)));
    const std::string picture = scratch->path() + "/page" + number + ".png";
    if (!page) {
      error = "cannot read page " + std::to_string(pages.first + static_cast<int>(i)) + " of " + job.options.inputPdf;
      return false;
    }
    if (!RenderPage(*page, picture, error)) return false;
    const Placement placement = PlacePage(size, texts[i].width, texts[i].height);
    added = package.AddText("ppt/slides/slide" + number + ".xml", SlideXml(i + 1, texts[i], placement)) &&
            package.AddText("ppt/slides/_rels/slide" + number + ".xml.rels", SlideRelationshipsXml(i + 1)) &&
            package.AddFile("ppt/media/page" + number + ".png", picture);
  }
  if (!added) {
    error = "cannot assemble the presentation package";
    return false;
  }
  return package.Close(error);
}

}  // namespace zembra::exporter
