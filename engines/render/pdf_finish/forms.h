// HTML form controls as fillable PDF form fields (--forms).
#pragma once

#include <string>

#include "engines/render/pdf_finish/pdf_document.h"

namespace zembra::render::finish {

/// SVG files drawing check boxes and radio buttons (--checkbox-svg,
/// --checkbox-checked-svg, --radiobutton-svg, --radiobutton-checked-svg);
/// an empty path keeps the built-in drawing for that state.
struct ToggleAppearances {
  std::string checkBox;
  std::string checkBoxChecked;
  std::string radio;
  std::string radioChecked;

  bool empty() const { return checkBox.empty() && checkBoxChecked.empty() && radio.empty() && radioChecked.empty(); }
};

struct FormResult {
  int fields = 0;   ///< terminal fields made (a radio group counts once)
  int widgets = 0;  ///< widget annotations made
};

/// Replaces every field marker link (see markers.h; the page ran
/// FormMarkerScript() before printing) by a form field of the same kind,
/// name, value and place: text fields (multi-line for a textarea, password),
/// check boxes, radio groups (one parent field per name, a widget per
/// button), combo boxes and list boxes. Every widget gets an appearance
/// stream (text in Helvetica); /NeedAppearances is set only when a value has
/// characters Helvetica's encoding lacks, since viewers then redraw every
/// widget, SVG-drawn toggles included. Radio buttons of one name form one
/// group; any other control whose name is already taken gets "_2", "_3"...
/// appended (a PDF field name stands for one value). With grayscale the SVG
/// drawings are turned grey too (--grayscale). Returns an empty string or
/// the error.
std::string ConvertFormMarkers(PdfDocument& document, const ToggleAppearances& toggles, bool grayscale,
                               FormResult* result = nullptr);

}  // namespace zembra::render::finish
