// Check boxes and radio buttons drawn by SVG files in the printed page itself
// (--checkbox-svg, --checkbox-checked-svg, --radiobutton-svg,
// --radiobutton-checked-svg), for pages printed without --forms.
#pragma once

#include <string>

#include "engines/render/pdf_finish/forms.h"

namespace zembra::render {

/// A style sheet the renderer adds to the page before printing when any of
/// the four options is given: the controls lose their native look and show
/// the SVG images (as data: URLs, so local file access rules do not matter),
/// scaled to the control's box. A state without its own SVG gets a plain
/// built-in drawing. Sizes are the browser's defaults but at zero
/// specificity, so the page's own sizes win. Empty with error set when a
/// file cannot be read.
std::string ToggleStyleSheet(const finish::ToggleAppearances& toggles, std::string& error);

}  // namespace zembra::render
