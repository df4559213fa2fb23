#include "engines/render/finish_settings.h"

namespace zembra::render {

finish::ToggleAppearances ToggleSettings(const RenderOptions& options) {
  finish::ToggleAppearances toggles;
  toggles.checkBox = options.finish.checkboxSvg;
  toggles.checkBoxChecked = options.finish.checkboxCheckedSvg;
  toggles.radio = options.finish.radioButtonSvg;
  toggles.radioChecked = options.finish.radioButtonCheckedSvg;
  toggles.grayscale = options.finish.grayscale;
  return toggles;
}

bool HasToggleDrawings(const RenderOptions& options) {
  const FinishOptions& p = options.finish;
  return !p.checkboxSvg.empty() || !p.checkboxCheckedSvg.empty() || !p.radioButtonSvg.empty() ||
         !p.radioButtonCheckedSvg.empty();
}

finish::DocumentInfo InfoSettings(const RenderOptions& options) {
  finish::DocumentInfo info;
  if (options.imageHeight) info.imageHeight = static_cast<int>(*options.imageHeight);
  if (options.jpegQuality) info.jpegQuality = static_cast<int>(*options.jpegQuality);
  // Chromium paints no page background of its own, so a PDF is transparent
  // already; an image made of it needs to know whether to stay so.
  info.transparent = options.transparent;
  return info;
}

bool NeedsFinishing(const RenderOptions& options) {
  const FinishOptions& p = options.finish;
  return p.copies > 1 || !p.covers.empty() || p.toc || p.forms || p.grayscale || p.lowQuality ||
         p.disableExternalLinks || p.disableInternalLinks || p.disablePdfCompression || p.cropX || p.cropY ||
         p.cropWidth || p.cropHeight || !InfoSettings(options).empty();
}

finish::FinishOptions FinishSettings(const RenderOptions& options) {
  const FinishOptions& p = options.finish;
  finish::FinishOptions settings;
  settings.forms = p.forms;
  settings.toggles = ToggleSettings(options);
  settings.links.external = p.disableExternalLinks;
  settings.links.internal = p.disableInternalLinks;
  if (p.cropX || p.cropY || p.cropWidth || p.cropHeight) {
    finish::CropPixels crop;
    crop.x = static_cast<double>(p.cropX.value_or(0));
    crop.y = static_cast<double>(p.cropY.value_or(0));
    crop.width = static_cast<double>(p.cropWidth.value_or(0));
    crop.height = static_cast<double>(p.cropHeight.value_or(0));
    settings.crop = crop;
  }
  settings.copies = p.copies;
  settings.collate = p.collate;
  settings.compress = !p.disablePdfCompression;
  settings.ghostscript.grayscale = p.grayscale;
  settings.ghostscript.lowQuality = p.lowQuality;
  settings.info = InfoSettings(options);
  return settings;
}

bool MarginsShowPageNumbers(const RenderOptions& options) {
  if (options.defaultHeader) return true;
  for (const std::string* text : {&options.headerLeft, &options.headerCenter, &options.headerRight,
                                  &options.footerLeft, &options.footerCenter, &options.footerRight})
    if (text->find("[page]") != std::string::npos || text->find("[topage]") != std::string::npos) return true;
  return false;
}

}  // namespace zembra::render
