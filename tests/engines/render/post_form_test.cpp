#include "engines/render/post_form.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zembra::render {
namespace {

TEST(RenderPostForm, FieldsOnlyAreUrlEncoded) {
  const PostBody post = BuildPostBody({{"name", "a b&c"}, {"x", "é"}}, {});
  EXPECT_EQ(post.contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(post.body, "name=a+b%26c&x=%C3%A9");
}

TEST(RenderPostForm, FilesMakeAMultipartForm) {
  const std::string path = "/tmp/zemrender-post-test.txt";
  std::ofstream(path) << "file content";
  const PostBody post = BuildPostBody({{"f", "v"}}, {{"upload", path}}, "B");
  EXPECT_EQ(post.contentType, "multipart/form-data; boundary=B");
  EXPECT_EQ(post.body,
            "--B\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nv\r\n"
            "--B\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"zemrender-post-test.txt\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\nfile content\r\n--B--\r\n");
  std::remove(path.c_str());
  EXPECT_FALSE(BuildPostBody({}, {{"upload", "/nonexistent/file"}}).error.empty());
}

}  // namespace
}  // namespace zembra::render
