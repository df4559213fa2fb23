// The renderer's manual (--readme), from which its man page is made.
#pragma once

#include <string>

namespace zembra::render {

/// The manual, derived from the option table.
std::string RenderManual();

}  // namespace zembra::render
