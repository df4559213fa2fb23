#include "engines/render/pdf_finish/markers.h"

#include <gtest/gtest.h>

namespace zembra::render::finish {
namespace {

// Percent-encoding as the page script's encodeURIComponent does it (UTF-8 bytes).
std::string EncodeUriComponent(const std::string& text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '!' || c == '~' || c == '*' || c == '\'' || c == '(' || c == ')') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

TEST(Markers, EncodeUriComponentMatchesTheBrowser) {
  EXPECT_EQ(EncodeUriComponent("a b&c=d/é"), "a%20b%26c%3Dd%2F%C3%A9");
  EXPECT_EQ(EncodeUriComponent("A-z_0.9!~*'()"), "A-z_0.9!~*'()");
}

TEST(Markers, OnlyZembraMarkersOfTheKindAreRead) {
  EXPECT_FALSE(ParseMarker("https://example.com/field?type=text", "field"));
  EXPECT_FALSE(ParseMarker("https://zembra.invalid/heading?level=1", "field"));
  EXPECT_FALSE(ParseFieldMarker("https://zembra.invalid/field?type=button&name=x"));
  EXPECT_FALSE(ParseFieldMarker("https://zembra.invalid/field?type=text"));  // no name
  auto pairs = ParseMarker("https://zembra.invalid/toc?entry=3&&x", "toc");
  ASSERT_TRUE(pairs);
  ASSERT_EQ(pairs->size(), 2u);
  EXPECT_EQ((*pairs)[0], std::make_pair(std::string("entry"), std::string("3")));
  EXPECT_EQ((*pairs)[1].first, "x");
}

TEST(Markers, TextFieldRoundTrip) {
  const std::string value = "Grüße & 100% = \"ok\"";
  auto field = ParseFieldMarker(std::string(kMarkerOrigin) + "field?type=text&name=" + EncodeUriComponent("user name") +
                                "&value=" + EncodeUriComponent(value) +
                                "&password=1&readonly=1&required=1&maxlength=12&fontsize=16&height=21.5");
  ASSERT_TRUE(field);
  EXPECT_EQ(field->type, FieldType::kText);
  EXPECT_EQ(field->name, "user name");
  EXPECT_EQ(field->value, value);
  EXPECT_TRUE(field->password);
  EXPECT_TRUE(field->readOnly);
  EXPECT_TRUE(field->required);
  EXPECT_EQ(field->maxLength, 12);
  EXPECT_DOUBLE_EQ(field->fontSizePx, 16);
  EXPECT_DOUBLE_EQ(field->heightPx, 21.5);
  EXPECT_FALSE(field->multiline);
}

TEST(Markers, ToggleAndChoiceFields) {
  auto box = ParseFieldMarker("https://zembra.invalid/field?type=checkbox&name=agree");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->type, FieldType::kCheckBox);
  EXPECT_EQ(box->value, "on");  // what a browser sends for a check box without value
  EXPECT_FALSE(box->checked);

  auto area = ParseFieldMarker("https://zembra.invalid/field?type=textarea&name=notes&value=a%0Ab");
  ASSERT_TRUE(area);
  EXPECT_TRUE(area->multiline);
  EXPECT_EQ(area->value, "a\nb");

  auto select = ParseFieldMarker(
      "https://zembra.invalid/field?type=select&name=c&option=r&label=Red&option=g&label=Green%20light"
      "&selected=g&option=b&label=Blue&selected=b&multiple=1&listbox=1");
  ASSERT_TRUE(select);
  EXPECT_EQ(select->type, FieldType::kSelect);
  ASSERT_EQ(select->options.size(), 3u);
  EXPECT_EQ(select->options[1], std::make_pair(std::string("g"), std::string("Green light")));
  EXPECT_EQ(select->selected, (std::vector<std::string>{"g", "b"}));
  EXPECT_TRUE(select->multiple);
  EXPECT_TRUE(select->listBox);
}

TEST(Markers, ScriptsUseTheMarkerOrigin) {
  EXPECT_NE(FormMarkerScript().find(std::string(kMarkerOrigin) + "field?"), std::string::npos);
  EXPECT_NE(HeadingMarkerScript().find(std::string(kMarkerOrigin) + "heading?"), std::string::npos);
}

}  // namespace
}  // namespace zembra::render::finish
