#include "engines/render/option_table.h"

#include <gtest/gtest.h>

#include <set>

#include "passes/option_row.h"

namespace zembra::render {
namespace {

TEST(RenderOptionTable, EveryForwardedOptionIsKnownOnceWithItsValues) {
  const std::vector<OptionSpec> specs = RenderOptionSpecs();
  std::set<std::string_view> seen;
  for (const OptionSpec& spec : specs) EXPECT_TRUE(seen.insert(spec.name).second) << "twice: " << spec.name;
  auto valuesOf = [&](std::string_view name) {
    for (const OptionSpec& spec : specs)
      if (spec.name == name) return spec.values;
    return -1;
  };
  for (const OptionRow& row : RendererOptionTable()) {
    ASSERT_NE(valuesOf(row.forwarded), -1) << row.forwarded;
    // The front end sends "--custom-header" alone, its name and value follow as words.
    if (std::string_view(row.forwarded) != "--custom-header") {
      EXPECT_EQ(valuesOf(row.forwarded), row.values) << row.forwarded;
    }
  }
  for (const OptionRow& row : ConverterOptionTable())
    if (row.destination == DEST_RENDERER) {
      EXPECT_EQ(valuesOf(row.forwarded), row.values) << row.forwarded;
    }
  EXPECT_EQ(valuesOf("--custom-header"), 2);
  EXPECT_EQ(valuesOf("--page-size"), 1);
  EXPECT_EQ(valuesOf("--timeout"), 1);
  EXPECT_EQ(valuesOf("--memory-limit"), 1);
}

}  // namespace
}  // namespace zembra::render
