#include "engines/render/toggle_style.h"

#include <optional>

#include "engines/common/files.h"
#include "engines/common/base64.h"

namespace zembra::render {
namespace {

constexpr const char* kBox =
    "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 13 13'><rect x='.5' y='.5' width='12' height='12' "
    "fill='white' stroke='#333'/></svg>";
constexpr const char* kBoxChecked =
    "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 13 13'><rect x='.5' y='.5' width='12' height='12' "
    "fill='white' stroke='#333'/><path d='M3 6.5 L5.5 9.5 L10 3.5' fill='none' stroke='black' stroke-width='1.6'/></svg>";
constexpr const char* kRadio =
    "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 13 13'><circle cx='6.5' cy='6.5' r='6' fill='white' "
    "stroke='#333'/></svg>";
constexpr const char* kRadioChecked =
    "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 13 13'><circle cx='6.5' cy='6.5' r='6' fill='white' "
    "stroke='#333'/><circle cx='6.5' cy='6.5' r='3' fill='black'/></svg>";

}  // namespace

std::string ToggleStyleSheet(const finish::ToggleAppearances& toggles, std::string& error) {
  struct State {
    const std::string* path;
    const char* fallback;
    const char* selector;
  };
  const State states[] = {
      {&toggles.checkBox, kBox, "input[type=checkbox]"},
      {&toggles.checkBoxChecked, kBoxChecked, "input[type=checkbox]:checked"},
      {&toggles.radio, kRadio, "input[type=radio]"},
      {&toggles.radioChecked, kRadioChecked, "input[type=radio]:checked"},
  };
  std::string css =
      ":where(input[type=checkbox], input[type=radio]) { width: 13px; height: 13px; }\n"
      "input[type=checkbox], input[type=radio] { -webkit-appearance: none; appearance: none; border: 0;"
      " padding: 0; background: transparent center / 100% 100% no-repeat; }\n";
  for (const State& state : states) {
    std::string svg = state.fallback;
    if (!state.path->empty()) {
      std::optional<std::string> drawing = ReadWholeFile(*state.path, error);
      if (!drawing) return {};
      svg = std::move(*drawing);
    }
    css += std::string(state.selector) + " { background-image: url(\"data:image/svg+xml;base64," + Base64Encode(svg) + "\"); }\n";
  }
  return css;
}

}  // namespace zembra::render
