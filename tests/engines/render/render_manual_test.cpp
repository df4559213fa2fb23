#include "engines/render/render_manual.h"

#include <gtest/gtest.h>

#include "engines/render/option_table.h"

namespace zembra::render {
namespace {

TEST(RenderManual, ListsEveryOption) {
  const std::string manual = RenderManual();
  for (const OptionSpec& spec : RenderOptionSpecs())
    EXPECT_NE(manual.find("  " + std::string(spec.name) + " "), std::string::npos) << spec.name;
  EXPECT_NE(manual.find("Usage: zemrender.lib"), std::string::npos);
  EXPECT_NE(manual.find("A page is printed when it is ready"), std::string::npos);
}

}  // namespace
}  // namespace zembra::render
