#include "engines/export/output_names.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

using Targets = std::vector<std::vector<std::string>>;

struct NamingCase {
  const char* what;
  NamingRequest request;
  Targets expected;
};

TEST(PlanOutputNames, NamesFilesForEachWayOfWriting) {
  const NamingCase cases[] = {
      {"one page", {"dir/out.jpg", 1, false, std::nullopt, false}, {{"dir/out.jpg"}}},
      {"one page ignores naming options", {"out.jpg", 1, false, "pg", true}, {{"out.jpg"}}},
      {"series",
       {"dir/out.jpg", 3, false, std::nullopt, false},
       {{"dir/out0001.jpg"}, {"dir/out0002.jpg"}, {"dir/out0003.jpg"}}},
      {"suffix case kept", {"OUT.PNG", 2, false, std::nullopt, false}, {{"OUT0001.PNG"}, {"OUT0002.PNG"}}},
      {"dots in directories",
       {"a.b/c.d/out.tif", 2, false, std::nullopt, false},
       {{"a.b/c.d/out0001.tif"}, {"a.b/c.d/out0002.tif"}}},
      {"no suffix", {"d.x/out", 2, false, std::nullopt, false}, {{"d.x/out0001"}, {"d.x/out0002"}}},
      {"multipage TIFF", {"dir/out.tif", 5, true, std::nullopt, false}, {{"dir/out.tif"}}},
      {"template",
       {"dir/out.png", 2, false, "page", false},
       {{"dir/page0001.png", "dir/out.png"}, {"dir/page0002.png"}}},
      {"template without directory",
       {"out.png", 2, false, "page", false},
       {{"page0001.png", "out.png"}, {"page0002.png"}}},
      {"numbered from one",
       {"dir/out.gif", 11, false, std::nullopt, true},
       {{"dir/out1.gif", "dir/out.gif"},
        {"dir/out2.gif"},
        {"dir/out3.gif"},
        {"dir/out4.gif"},
        {"dir/out5.gif"},
        {"dir/out6.gif"},
        {"dir/out7.gif"},
        {"dir/out8.gif"},
        {"dir/out9.gif"},
        {"dir/out10.gif"},
        {"dir/out11.gif"}}},
      {"template numbered from one", {"d/out.bmp", 2, false, "p", true}, {{"d/p1.bmp", "d/out.bmp"}, {"d/p2.bmp"}}},
  };
  for (const NamingCase& c : cases) {
    std::string error;
    const std::optional<OutputNames> names = PlanOutputNames(c.request, error);
    ASSERT_TRUE(names.has_value()) << c.what << ": " << error;
    EXPECT_EQ(names->pageTargets, c.expected) << c.what;
  }
}

TEST(PlanOutputNames, RefusesTwoPagesUnderOneName) {
  // "out" numbered from 1 gives out1.jpg; the output itself is out1.jpg too.
  std::string error;
  EXPECT_FALSE(PlanOutputNames({"out1.jpg", 2, false, "out", true}, error).has_value());
  EXPECT_NE(error.find("out1.jpg"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
