// The page's requests that an option changes or refuses, through Chromium's
// Fetch domain: custom headers and the POST form on the page's own request,
// HTTP authentication, local files the document may not read (see
// file_access.h), images left out, and the character set of documents that
// declare none. The same interceptor answers for the page's pop-ups and the
// frames of other sites it holds.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "engines/common/diagnostics.h"
#include "engines/render/devtools_pipe.h"
#include "engines/render/file_access.h"
#include "engines/render/input_location.h"
#include "engines/render/post_form.h"
#include "engines/render/render_options.h"

namespace zembra::render {

class RequestInterceptor {
 public:
  using SendCommand = std::function<void(const std::string& method, const Json& params)>;
  using CallCommand =
      std::function<std::optional<Json>(const std::string& method, const Json& params, std::string& error)>;

  RequestInterceptor(const RenderOptions& options, const InputLocation& input, const Diagnostics& diagnostics);

  /// Builds the POST form. False with error set when a file cannot be read.
  bool Prepare(std::string& error);
  /// Whether the Fetch domain is needed at all.
  bool Needed() const;
  /// The parameters of Fetch.enable.
  Json FetchParameters() const;
  /// Answers Fetch.requestPaused and Fetch.authRequired events.
  void OnEvent(const std::string& method, const Json& params, const std::string& mainFrameId,
               const SendCommand& send, const CallCommand& call);
  /// The document's rule on local files.
  const FileAccessRule& fileRule() const { return fileRule_; }
  /// Warns once per path that a local file was refused (by this interceptor,
  /// or by Chromium for a worker); why comes from the rule unless given.
  void NoteRefused(const std::string& path, const std::string& why = "");

 private:
  /// Whether every request is paused before it is sent (not only for --encoding).
  bool RequestsIntercepted() const;
  /// Whether file: requests are paused to be checked against the rule.
  bool FilesChecked() const;
  void OnRequestPaused(const Json& params, const std::string& mainFrameId, const SendCommand& send);
  void OnResponsePaused(const Json& params, const SendCommand& send, const CallCommand& call);

  const RenderOptions& options_;
  const InputLocation& input_;
  const Diagnostics& diagnostics_;
  FileAccessRule fileRule_;
  PostBody post_;
  bool postSent_ = false;
  std::set<std::string> authAnswered_;
  std::set<std::string> blockedFiles_;
};

}  // namespace zembra::render
