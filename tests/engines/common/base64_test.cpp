#include "engines/common/base64.h"

#include <gtest/gtest.h>

namespace zembra {
namespace {

TEST(CommonBase64, KnownVectorsBothWays) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0\xff", 2), "AP8="},
      {std::string("\xff\xfe\x00", 3), "//4A"}};
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(Base64Encode(plain), encoded);
    EXPECT_EQ(Base64Decode(encoded).value_or("<bad>"), plain);
  }
}

TEST(CommonBase64, RejectsDamagedText) {
  EXPECT_FALSE(Base64Decode("Zm9v!"));
  EXPECT_FALSE(Base64Decode("Zg==Zg"));
}

}  // namespace
}  // namespace zembra
