// The body of the POST form a page is requested with.
#pragma once

#include <string>
#include <vector>

#include "engines/render/render_options.h"

namespace zembra::render {

struct PostBody {
  std::string contentType;
  std::string body;
  std::string error;  ///< a file that cannot be read
};

/// URL-encoded when there are only fields, multipart with files.
PostBody BuildPostBody(const std::vector<NameValue>& fields, const std::vector<NameValue>& files,
                       const std::string& boundary = "----zemrender-form-boundary-7d1f3a");

}  // namespace zembra::render
