#include "engines/render/pdf_finish/forms.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QUtil.hh>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <vector>

#include "engines/render/pdf_finish/links.h"
#include "engines/render/pdf_finish/markers.h"
#include "engines/render/pdf_finish/svg_appearance.h"

namespace zembra::render::finish {
namespace {

// Field flags (/Ff) by bit position.
constexpr int kReadOnly = 1 << 0;
constexpr int kRequired = 1 << 1;
constexpr int kMultiline = 1 << 12;
constexpr int kPassword = 1 << 13;
constexpr int kNoToggleToOff = 1 << 14;
constexpr int kRadioFlag = 1 << 15;
constexpr int kCombo = 1 << 17;
constexpr int kMultiSelect = 1 << 21;
constexpr int kAnnotationPrint = 4;
constexpr double kLineSpacing = 1.15;
// Default appearance of check boxes and radio buttons.
constexpr const char* kToggleDefault = "/ZaDb 0 Tf 0 g";

std::string Num(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", value);
  std::string text(buffer);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text == "-0" ? "0" : text;
}

std::string PdfText(const std::string& utf8, bool& lossy) {
  std::string encoded;
  if (!QUtil::utf8_to_win_ansi(utf8, encoded, '?')) lossy = true;
  return QPDFObjectHandle::newString(encoded).unparse();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else if (c != '\r') {
      lines.back().push_back(c);
    }
  }
  return lines;
}

// An on-state name for a check box or radio button value ("Off" is taken).
std::string StateName(const std::string& value) { return value == "Off" ? "/Off_" : "/" + value; }

class FormBuilder {
 public:
  FormBuilder(PdfDocument& document, const ToggleAppearances& toggles, bool grayscale)
      : document_(document), pdf_(document.qpdf()), toggles_(toggles), grayscale_(grayscale) {}

  std::string Run(FormResult& result) {
    std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> markers;  // (page, annotation)
    for (auto& page : QPDFPageDocumentHelper(pdf_).getAllPages()) {
      QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
      if (!annots.isArray()) continue;
      for (auto& annotation : annots.aitems())
        if (ParseFieldMarker(LinkUri(annotation))) markers.emplace_back(page.getObjectHandle(), annotation);
    }
    if (markers.empty()) return {};
    if (std::string error = Prepare(); !error.empty()) return error;

    for (auto& page : QPDFPageDocumentHelper(pdf_).getAllPages()) {
      QPDFObjectHandle pageObject = page.getObjectHandle();
      QPDFObjectHandle annots = pageObject.getKey("/Annots");
      if (!annots.isArray()) continue;
      QPDFObjectHandle replaced = QPDFObjectHandle::newArray();
      for (auto& annotation : annots.aitems()) {
        auto marker = ParseFieldMarker(LinkUri(annotation));
        if (!marker) {
          replaced.appendItem(annotation);
          continue;
        }
        QPDFObjectHandle rectangle = annotation.getKey("/Rect");
        if (!rectangle.isRectangle()) continue;
        replaced.appendItem(MakeWidget(*marker, pageObject, rectangle.getArrayAsRectangle(), result));
      }
      pageObject.replaceKey("/Annots", replaced);
    }
    // Viewers that honour /NeedAppearances redraw every widget, check boxes
    // included (losing SVG drawings): ask for it only when our Latin-1 text
    // appearances could not show a value.
    if (needAppearances_) acroForm_.replaceKey("/NeedAppearances", QPDFObjectHandle::newBool(true));
    return {};
  }

 private:
  std::string Prepare() {
    QPDFObjectHandle root = pdf_.getRoot();
    acroForm_ = root.getKey("/AcroForm");
    if (!acroForm_.isDictionary()) {
      acroForm_ = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary());
      root.replaceKey("/AcroForm", acroForm_);
    }
    fields_ = acroForm_.getKey("/Fields");
    if (!fields_.isArray()) {
      fields_ = QPDFObjectHandle::newArray();
      acroForm_.replaceKey("/Fields", fields_);
    }
    helvetica_ = pdf_.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    QPDFObjectHandle dingbats = pdf_.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>"));
    QPDFObjectHandle resources = acroForm_.getKey("/DR");
    if (!resources.isDictionary()) {
      resources = QPDFObjectHandle::newDictionary();
      acroForm_.replaceKey("/DR", resources);
    }
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary()) {
      fonts = QPDFObjectHandle::newDictionary();
      resources.replaceKey("/Font", fonts);
    }
    fonts.replaceKey("/Helv", helvetica_);
    fonts.replaceKey("/ZaDb", dingbats);
    if (!acroForm_.hasKey("/DA")) acroForm_.replaceKey("/DA", QPDFObjectHandle::newString("/Helv 0 Tf 0 g"));

    for (auto [path, slot] : {std::pair{&toggles_.checkBox, &svgCheckOff}, std::pair{&toggles_.checkBoxChecked, &svgCheckOn},
                              std::pair{&toggles_.radio, &svgRadioOff}, std::pair{&toggles_.radioChecked, &svgRadioOn}}) {
      *slot = QPDFObjectHandle::newNull();
      if (path->empty()) continue;
      std::string error;
      *slot = SvgFormXObject(document_, *path, grayscale_, error);
      if (!error.empty()) return error;
    }
    return {};
  }

  std::string UniqueName(const std::string& name, bool radio) {
    auto found = taken_.find(name);
    if (found == taken_.end()) {
      taken_[name] = radio;
      return name;
    }
    if (radio && found->second) return name;
    for (int n = 2;; ++n) {
      const std::string candidate = name + "_" + std::to_string(n);
      if (taken_.count(candidate) == 0) {
        taken_[candidate] = radio;
        return candidate;
      }
    }
  }

  QPDFObjectHandle Appearance(double width, double height, const std::string& content, QPDFObjectHandle resources) {
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf_, content);
    QPDFObjectHandle dictionary = stream.getDict();
    dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dictionary.replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    dictionary.replaceKey("/BBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(0, 0, width, height)));
    dictionary.replaceKey("/Resources", resources);
    return stream;
  }

  QPDFObjectHandle FontResources() {
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/Helv", helvetica_);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", fonts);
    return resources;
  }

  // Text lines drawn top-down (or one line centred vertically), with the
  // rows in highlight drawn as selected.
  QPDFObjectHandle TextAppearance(double w, double h, double size, const std::vector<std::string>& lines,
                                  bool centred, const std::vector<bool>& highlight = {}) {
    const double leading = size * kLineSpacing;
    std::string content;
    // A list box covers the page's own drawing of the list, whose selection
    // highlight would otherwise show through.
    if (!highlight.empty())
      content += "q 1 g 0.6 G 0.75 w 0.375 0.375 " + Num(w - 0.75) + " " + Num(h - 0.75) + " re B Q\n";
    content += "/Tx BMC\nq\n1 1 " + Num(std::max(0.0, w - 2)) + " " + Num(std::max(0.0, h - 2)) + " re W n\n";
    for (size_t i = 0; i < highlight.size(); ++i) {
      if (!highlight[i]) continue;
      const double top = h - 1 - leading * static_cast<double>(i);
      content += "0.6 0.75 0.9 rg 1 " + Num(top - leading) + " " + Num(w - 2) + " " + Num(leading) + " re f\n";
    }
    content += "BT\n/Helv " + Num(size) + " Tf 0 g\n";
    const double firstBaseline = centred ? (h - size * 0.7) / 2 : h - 1 - size * 0.95;
    content += "2 " + Num(firstBaseline) + " Td\n";
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) content += "0 " + Num(-leading) + " Td\n";
      content += PdfText(lines[i], needAppearances_) + " Tj\n";
    }
    content += "ET\nQ\nEMC\n";
    return Appearance(w, h, content, FontResources());
  }

  QPDFObjectHandle ToggleAppearance(double w, double h, bool radio, bool on) {
    QPDFObjectHandle svg = radio ? (on ? svgRadioOn : svgRadioOff) : (on ? svgCheckOn : svgCheckOff);
    if (svg.isStream()) {
      QPDFObjectHandle::Rectangle box(0, 0, 1, 1);
      QPDFObjectHandle bbox = svg.getDict().getKey("/BBox");
      if (bbox.isRectangle()) box = bbox.getArrayAsRectangle();
      const double sx = w / std::max(1e-6, box.urx - box.llx);
      const double sy = h / std::max(1e-6, box.ury - box.lly);
      QPDFObjectHandle objects = QPDFObjectHandle::newDictionary();
      objects.replaceKey("/Zsvg", svg);
      QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
      resources.replaceKey("/XObject", objects);
      return Appearance(w, h,
                        "q " + Num(sx) + " 0 0 " + Num(sy) + " " + Num(-box.llx * sx) + " " + Num(-box.lly * sy) +
                            " cm /Zsvg Do Q\n",
                        resources);
    }
    std::string content = "q 1 g 0 G 0.8 w\n";
    if (radio) {
      content += Circle(w / 2, h / 2, std::min(w, h) / 2 - 0.6) + "B\n";
      if (on) content += "0 g " + Circle(w / 2, h / 2, std::min(w, h) * 0.22) + "f\n";
    } else {
      content += "0.4 0.4 " + Num(w - 0.8) + " " + Num(h - 0.8) + " re B\n";
      if (on) {
        content += "1 J 1 j " + Num(std::max(1.0, std::min(w, h) * 0.12)) + " w " + Num(w * 0.22) + " " + Num(h * 0.52) +
                   " m " + Num(w * 0.42) + " " + Num(h * 0.28) + " l " + Num(w * 0.8) + " " + Num(h * 0.76) + " l S\n";
      }
    }
    content += "Q\n";
    return Appearance(w, h, content, QPDFObjectHandle::newDictionary());
  }

  static std::string Circle(double cx, double cy, double r) {
    const double k = 0.5523 * r;
    auto p = [](double x, double y) { return Num(x) + " " + Num(y) + " "; };
    return p(cx + r, cy) + "m " + p(cx + r, cy + k) + p(cx + k, cy + r) + p(cx, cy + r) + "c " + p(cx - k, cy + r) +
           p(cx - r, cy + k) + p(cx - r, cy) + "c " + p(cx - r, cy - k) + p(cx - k, cy - r) + p(cx, cy - r) + "c " +
           p(cx + k, cy - r) + p(cx + r, cy - k) + p(cx + r, cy) + "c ";
  }

  // The form field of one marker, as the widget annotation that replaces it.
  QPDFObjectHandle MakeWidget(const FieldMarker& marker, QPDFObjectHandle page, const QPDFObjectHandle::Rectangle& rect,
                              FormResult& result) {
    ++result.widgets;
    const double w = rect.urx - rect.llx;
    const double h = rect.ury - rect.lly;
    QPDFObjectHandle widget = QPDFObjectHandle::newDictionary();
    widget.replaceKey("/Type", QPDFObjectHandle::newName("/Annot"));
    widget.replaceKey("/Subtype", QPDFObjectHandle::newName("/Widget"));
    widget.replaceKey("/Rect", QPDFObjectHandle::newArray(rect));
    widget.replaceKey("/P", page);
    widget.replaceKey("/F", QPDFObjectHandle::newInteger(kAnnotationPrint));
    int flags = (marker.readOnly ? kReadOnly : 0) | (marker.required ? kRequired : 0);
    if (marker.type == FieldType::kRadio) return AddRadioButton(marker, widget, w, h, flags, result);

    // Every other control is a field of its own.
    widget.replaceKey("/T", QPDFObjectHandle::newUnicodeString(UniqueName(marker.name, false)));
    QPDFObjectHandle normal;
    switch (marker.type) {
      case FieldType::kCheckBox:
        normal = CheckBox(marker, widget, w, h);
        break;
      case FieldType::kText:
      case FieldType::kTextArea:
        normal = TextField(marker, widget, w, h, flags);
        break;
      case FieldType::kSelect:
        normal = ChoiceField(marker, widget, w, h, flags);
        break;
      case FieldType::kRadio:  // made above
        break;
    }
    if (flags != 0) widget.replaceKey("/Ff", QPDFObjectHandle::newInteger(flags));
    widget.replaceKey("/AP", NormalAppearance(normal));
    widget = pdf_.makeIndirectObject(widget);
    fields_.appendItem(widget);
    ++result.fields;
    return widget;
  }

  static QPDFObjectHandle NormalAppearance(QPDFObjectHandle normal) {
    QPDFObjectHandle ap = QPDFObjectHandle::newDictionary();
    ap.replaceKey("/N", normal);
    return ap;
  }

  // The text size of a field: the control's own, scaled as the control was
  // (the marker's height against the rectangle's), else one fitting the box.
  static double FontSize(const FieldMarker& marker, double h) {
    double size = marker.fontSizePx > 0 && marker.heightPx > 0 ? marker.fontSizePx * h / marker.heightPx : 0;
    if (size <= 0) size = marker.multiline || marker.listBox ? 10 : std::min(12.0, std::max(4.0, h * 0.6));
    return std::clamp(size, 4.0, 72.0);
  }

  static std::string TextDefault(double size) { return "/Helv " + Num(size) + " Tf 0 g"; }

  // One button of the radio group of its name: the group is the field, made
  // with its first button; each button is a widget of it with its own state.
  QPDFObjectHandle AddRadioButton(const FieldMarker& marker, QPDFObjectHandle widget, double w, double h, int flags,
                                  FormResult& result) {
    const std::string name = UniqueName(marker.name, true);
    QPDFObjectHandle& parent = radioGroups_[name];
    if (!parent.isDictionary()) {
      parent = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary());
      parent.replaceKey("/FT", QPDFObjectHandle::newName("/Btn"));
      parent.replaceKey("/T", QPDFObjectHandle::newUnicodeString(name));
      parent.replaceKey("/Ff", QPDFObjectHandle::newInteger(flags | kRadioFlag | kNoToggleToOff));
      parent.replaceKey("/V", QPDFObjectHandle::newName("/Off"));
      parent.replaceKey("/DA", QPDFObjectHandle::newString(kToggleDefault));
      parent.replaceKey("/Kids", QPDFObjectHandle::newArray());
      fields_.appendItem(parent);
      ++result.fields;
    }
    const std::string state = StateName(marker.value);
    if (marker.checked) parent.replaceKey("/V", QPDFObjectHandle::newName(state));
    widget.replaceKey("/Parent", parent);
    widget.replaceKey("/AS", QPDFObjectHandle::newName(marker.checked ? state : "/Off"));
    widget.replaceKey("/MK", QPDFObjectHandle::parse("<< /CA (l) >>"));
    QPDFObjectHandle states = QPDFObjectHandle::newDictionary();
    states.replaceKey(state, ToggleAppearance(w, h, true, true));
    states.replaceKey("/Off", ToggleAppearance(w, h, true, false));
    widget.replaceKey("/AP", NormalAppearance(states));
    widget = pdf_.makeIndirectObject(widget);
    parent.getKey("/Kids").appendItem(widget);
    return widget;
  }

  // Returns the normal appearance: one stream per state.
  QPDFObjectHandle CheckBox(const FieldMarker& marker, QPDFObjectHandle widget, double w, double h) {
    const std::string state = StateName(marker.value);
    widget.replaceKey("/DA", QPDFObjectHandle::newString(kToggleDefault));
    widget.replaceKey("/FT", QPDFObjectHandle::newName("/Btn"));
    widget.replaceKey("/V", QPDFObjectHandle::newName(marker.checked ? state : "/Off"));
    widget.replaceKey("/AS", QPDFObjectHandle::newName(marker.checked ? state : "/Off"));
    widget.replaceKey("/MK", QPDFObjectHandle::parse("<< /CA (4) >>"));
    QPDFObjectHandle states = QPDFObjectHandle::newDictionary();
    states.replaceKey(state, ToggleAppearance(w, h, false, true));
    states.replaceKey("/Off", ToggleAppearance(w, h, false, false));
    return states;
  }

  // A text field, multi-line for a text area; a password shows one "*" a
  // character. Returns the normal appearance.
  QPDFObjectHandle TextField(const FieldMarker& marker, QPDFObjectHandle widget, double w, double h, int& flags) {
    const double size = FontSize(marker, h);
    widget.replaceKey("/DA", QPDFObjectHandle::newString(TextDefault(size)));
    widget.replaceKey("/FT", QPDFObjectHandle::newName("/Tx"));
    widget.replaceKey("/V", QPDFObjectHandle::newUnicodeString(marker.value));
    if (marker.multiline) flags |= kMultiline;
    if (marker.password) flags |= kPassword;
    if (marker.maxLength > 0) widget.replaceKey("/MaxLen", QPDFObjectHandle::newInteger(marker.maxLength));
    std::string shown = marker.value;
    if (marker.password)
      shown.assign(std::count_if(marker.value.begin(), marker.value.end(), [](char c) { return (c & 0xC0) != 0x80; }), '*');
    return TextAppearance(w, h, size, marker.multiline ? Lines(shown) : std::vector<std::string>{shown},
                          !marker.multiline);
  }

  // A combo box, or a list box (shown as a list, or several chosen).
  // Returns the normal appearance.
  QPDFObjectHandle ChoiceField(const FieldMarker& marker, QPDFObjectHandle widget, double w, double h, int& flags) {
    const double size = FontSize(marker, h);
    widget.replaceKey("/DA", QPDFObjectHandle::newString(TextDefault(size)));
    widget.replaceKey("/FT", QPDFObjectHandle::newName("/Ch"));
    QPDFObjectHandle options = QPDFObjectHandle::newArray();
    std::vector<std::string> labels;
    std::vector<bool> chosen;
    std::string shown;
    for (const auto& [value, label] : marker.options) {
      if (value == label) {
        options.appendItem(QPDFObjectHandle::newUnicodeString(value));
      } else {
        QPDFObjectHandle pair = QPDFObjectHandle::newArray();
        pair.appendItem(QPDFObjectHandle::newUnicodeString(value));
        pair.appendItem(QPDFObjectHandle::newUnicodeString(label));
        options.appendItem(pair);
      }
      const bool isSelected = std::find(marker.selected.begin(), marker.selected.end(), value) != marker.selected.end();
      labels.push_back(label);
      chosen.push_back(isSelected);
      if (isSelected && shown.empty()) shown = label;
    }
    widget.replaceKey("/Opt", options);
    if (marker.multiple && marker.selected.size() > 1) {
      QPDFObjectHandle values = QPDFObjectHandle::newArray();
      for (const auto& value : marker.selected) values.appendItem(QPDFObjectHandle::newUnicodeString(value));
      widget.replaceKey("/V", values);
    } else if (!marker.selected.empty()) {
      widget.replaceKey("/V", QPDFObjectHandle::newUnicodeString(marker.selected.front()));
    }
    if (marker.multiple) flags |= kMultiSelect;
    if (!marker.listBox && !marker.multiple) flags |= kCombo;
    return (flags & kCombo) != 0 ? TextAppearance(w, h, size, {shown}, true)
                                 : TextAppearance(w, h, size, labels, false, chosen);
  }

  PdfDocument& document_;
  QPDF& pdf_;
  const ToggleAppearances& toggles_;
  const bool grayscale_;
  QPDFObjectHandle acroForm_;
  QPDFObjectHandle fields_;
  QPDFObjectHandle helvetica_;
  QPDFObjectHandle svgCheckOn, svgCheckOff, svgRadioOn, svgRadioOff;
  bool needAppearances_ = false;
  std::map<std::string, bool> taken_;  // field name -> is a radio group
  std::map<std::string, QPDFObjectHandle> radioGroups_;
};

}  // namespace

std::string ConvertFormMarkers(PdfDocument& document, const ToggleAppearances& toggles, bool grayscale,
                               FormResult* result) {
  FormResult counts;
  try {
    FormBuilder builder(document, toggles, grayscale);
    if (std::string error = builder.Run(counts); !error.empty()) return error;
  } catch (const std::exception& e) {
    return std::string("cannot make the form fields: ") + e.what();
  }
  if (result != nullptr) *result = counts;
  return {};
}

}  // namespace zembra::render::finish
