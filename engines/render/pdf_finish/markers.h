// Marker links: before printing, a script in the page puts links with
// https://zembra.invalid/... targets over form controls and headings.
// Chromium writes each as a /Link annotation with the element's rectangle on
// the right page; the units here read them back and remove them.
//
// URL formats (every value URL-encoded with encodeURIComponent):
//   https://zembra.invalid/field?type=T&name=N&...   one per form control
//     type      text | textarea | checkbox | radio | select
//     name      the control's name (unnamed controls get "field1", "field2"...)
//     value     text/textarea: the current text; checkbox/radio: the value
//               sent when checked ("on" when the control has none)
//     checked=1 a checked check box or radio button
//     option=V&label=L  (repeated, in order) the options of a select
//     selected=V        (repeated) the selected options' values
//     multiple=1 a multi-select; listbox=1 a select shown as a list (size > 1 or multiple)
//     multiline=1 (textarea), password=1, readonly=1 (also disabled), required=1,
//     maxlength=N, fontsize=PX (computed font size), height=PX (the control's
//     height in CSS pixels: with the rectangle's height it gives the scale)
//   https://zembra.invalid/heading?level=L&title=T   one per h1-h6
//   https://zembra.invalid/toc?entry=I               one per line of the table
//                                                    of contents (BuildTocHtml)
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zembra::render::finish {

inline constexpr const char* kMarkerOrigin = "https://zembra.invalid/";

/// The query of a marker URL whose path is `kind` ("field", "heading", "toc"),
/// decoded into (key, value) pairs in order; nothing for any other URL.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseMarker(const std::string& uri,
                                                                            const std::string& kind);

enum class FieldType { kText, kTextArea, kCheckBox, kRadio, kSelect };

struct FieldMarker {
  FieldType type = FieldType::kText;
  std::string name;
  std::string value;
  bool checked = false;
  std::vector<std::pair<std::string, std::string>> options;  ///< (value, label)
  std::vector<std::string> selected;
  bool multiple = false;
  bool listBox = false;
  bool multiline = false;
  bool password = false;
  bool readOnly = false;
  bool required = false;
  int maxLength = 0;           ///< 0: no limit
  double fontSizePx = 0;       ///< 0: unknown
  double heightPx = 0;         ///< 0: unknown
};

/// The field a marker URL describes; nothing when the URL is not a field
/// marker or lacks a known type.
std::optional<FieldMarker> ParseFieldMarker(const std::string& uri);

/// Script the renderer runs in the page (after load, after --run-script,
/// before printing) when --forms is on. It wraps each visible input,
/// textarea and select in a relatively positioned span holding an empty
/// absolutely positioned <a> exactly over the control, whose href is a
/// field marker. Check boxes and radio buttons are hidden (the PDF field
/// draws them); text and choice controls keep their box but their text is
/// made transparent (the field draws the value). Returns the number of
/// controls marked.
const std::string& FormMarkerScript();

/// Script the renderer runs before printing when --toc is on and Chromium's
/// outline is not used: puts a heading marker over every h1-h6. Returns the
/// number of headings marked.
const std::string& HeadingMarkerScript();

}  // namespace zembra::render::finish
