#include "engines/render/pdf_finish/markers.h"

#include <cstdlib>

namespace zembra::render::finish {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i] == '+' ? ' ' : text[i]);
  }
  return out;
}

double NumberOr(const std::string& text, double fallback) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return (end != text.c_str() && *end == '\0' && value >= 0) ? value : fallback;
}

}  // namespace

std::optional<std::vector<std::pair<std::string, std::string>>> ParseMarker(const std::string& uri,
                                                                            const std::string& kind) {
  const std::string prefix = std::string(kMarkerOrigin) + kind + "?";
  if (uri.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = prefix.size();
  while (start <= uri.size()) {
    size_t end = uri.find('&', start);
    if (end == std::string::npos) end = uri.size();
    const std::string item = uri.substr(start, end - start);
    if (!item.empty()) {
      const size_t equals = item.find('=');
      if (equals == std::string::npos) {
        pairs.emplace_back(PercentDecode(item), std::string());
      } else {
        pairs.emplace_back(PercentDecode(item.substr(0, equals)), PercentDecode(item.substr(equals + 1)));
      }
    }
    start = end + 1;
  }
  return pairs;
}

std::optional<FieldMarker> ParseFieldMarker(const std::string& uri) {
  auto pairs = ParseMarker(uri, "field");
  if (!pairs) return std::nullopt;
  FieldMarker field;
  bool typed = false;
  for (const auto& [key, value] : *pairs) {
    if (key == "type") {
      typed = true;
      if (value == "text") field.type = FieldType::kText;
      else if (value == "textarea") field.type = FieldType::kTextArea;
      else if (value == "checkbox") field.type = FieldType::kCheckBox;
      else if (value == "radio") field.type = FieldType::kRadio;
      else if (value == "select") field.type = FieldType::kSelect;
      else return std::nullopt;
    } else if (key == "name") {
      field.name = value;
    } else if (key == "value") {
      field.value = value;
    } else if (key == "checked") {
      field.checked = value == "1";
    } else if (key == "option") {
      field.options.emplace_back(value, value);
    } else if (key == "label") {
      if (!field.options.empty()) field.options.back().second = value;
    } else if (key == "selected") {
      field.selected.push_back(value);
    } else if (key == "multiple") {
      field.multiple = value == "1";
    } else if (key == "listbox") {
      field.listBox = value == "1";
    } else if (key == "multiline") {
      field.multiline = value == "1";
    } else if (key == "password") {
      field.password = value == "1";
    } else if (key == "readonly") {
      field.readOnly = value == "1";
    } else if (key == "required") {
      field.required = value == "1";
    } else if (key == "maxlength") {
      field.maxLength = static_cast<int>(NumberOr(value, 0));
    } else if (key == "fontsize") {
      field.fontSizePx = NumberOr(value, 0);
    } else if (key == "height") {
      field.heightPx = NumberOr(value, 0);
    }
  }
  if (!typed || field.name.empty()) return std::nullopt;
  if (field.type == FieldType::kTextArea) field.multiline = true;
  if ((field.type == FieldType::kCheckBox || field.type == FieldType::kRadio) && field.value.empty())
    field.value = "on";
  return field;
}

const std::string& FormMarkerScript() {
  static const std::string script = R"JS((() => {
  const origin = 'https://zembra.invalid/field?';
  const enc = encodeURIComponent;
  const skipped = ['hidden', 'submit', 'reset', 'button', 'image', 'file', 'range', 'color'];
  let unnamed = 0;
  let marked = 0;
  for (const el of Array.from(document.querySelectorAll('input, textarea, select'))) {
    const tag = el.tagName.toLowerCase();
    let type;
    if (tag === 'textarea') type = 'textarea';
    else if (tag === 'select') type = 'select';
    else {
      const t = (el.getAttribute('type') || 'text').toLowerCase();
      if (skipped.includes(t)) continue;
      type = (t === 'checkbox' || t === 'radio') ? t : 'text';
    }
    const style = getComputedStyle(el);
    if (style.display === 'none' || style.visibility !== 'visible') continue;
    const box = el.getBoundingClientRect();
    if (box.width < 1 || box.height < 1) continue;
    const q = ['type=' + type, 'name=' + enc(el.name || ('field' + (++unnamed)))];
    if (type === 'text' || type === 'textarea') q.push('value=' + enc(el.value));
    if (type === 'textarea') q.push('multiline=1');
    if (type === 'text' && (el.getAttribute('type') || '').toLowerCase() === 'password') q.push('password=1');
    if (type === 'checkbox' || type === 'radio') {
      q.push('value=' + enc(el.getAttribute('value') || 'on'));
      if (el.checked) q.push('checked=1');
    }
    if (type === 'select') {
      for (const o of Array.from(el.options)) {
        q.push('option=' + enc(o.value), 'label=' + enc(o.text));
        if (o.selected) q.push('selected=' + enc(o.value));
      }
      if (el.multiple) q.push('multiple=1');
      if (el.multiple || el.size > 1) q.push('listbox=1');
    }
    if (el.readOnly || el.disabled) q.push('readonly=1');
    if (el.required) q.push('required=1');
    if (typeof el.maxLength === 'number' && el.maxLength > 0) q.push('maxlength=' + el.maxLength);
    q.push('fontsize=' + parseFloat(style.fontSize), 'height=' + box.height);

    const wrap = document.createElement('span');
    const blockish = style.display === 'block' || style.display === 'flex' || style.display === 'grid';
    // A flex wrapper is exactly as tall as the control (an inline-block one
    // would add a line box's height) and keeps its baseline.
    wrap.style.cssText = 'position:relative;margin:0;padding:0;border:0;display:' +
        (blockish ? 'flex' : 'inline-flex');
    // A positioned control would be placed against the wrapper: the
    // wrapper takes over its place instead.
    if (style.position === 'absolute' || style.position === 'fixed') {
      wrap.style.position = style.position;
      wrap.style.left = style.left;
      wrap.style.top = style.top;
      wrap.style.zIndex = style.zIndex;
      wrap.style.display = 'flex';
      el.style.position = 'static';
    }
    el.parentNode.insertBefore(wrap, el);
    wrap.appendChild(el);
    const outer = wrap.getBoundingClientRect();
    const inner = el.getBoundingClientRect();
    const a = document.createElement('a');
    a.href = origin + q.join('&');
    a.style.cssText = 'position:absolute;display:block;margin:0;padding:0;border:0;background:transparent;' +
        'left:' + (inner.left - outer.left) + 'px;top:' + (inner.top - outer.top) + 'px;' +
        'width:' + inner.width + 'px;height:' + inner.height + 'px';
    wrap.appendChild(a);
    if (type === 'checkbox' || type === 'radio') el.style.visibility = 'hidden';
    else el.style.setProperty('color', 'transparent', 'important');
    ++marked;
  }
  return marked;
})())JS";
  return script;
}

const std::string& HeadingMarkerScript() {
  static const std::string script = R"JS((() => {
  let marked = 0;
  for (const h of Array.from(document.querySelectorAll('h1, h2, h3, h4, h5, h6'))) {
    const style = getComputedStyle(h);
    if (style.display === 'none' || style.visibility !== 'visible') continue;
    const title = (h.innerText || h.textContent || '').replace(/\s+/g, ' ').trim();
    if (!title) continue;
    const a = document.createElement('a');
    a.href = 'https://zembra.invalid/heading?level=' + h.tagName.substring(1) + '&title=' + encodeURIComponent(title);
    // One pixel wide, no net width: the heading's layout does not change.
    a.style.cssText = 'display:inline-block;width:1px;height:1em;margin:0 -1px 0 0;padding:0;border:0;vertical-align:top';
    h.insertBefore(a, h.firstChild);
    ++marked;
  }
  return marked;
})())JS";
  return script;
}

}  // namespace zembra::render::finish
