// Entries of the PDF's document information dictionary, written after printing.
#pragma once

#include <string>
#include <vector>

#include "engines/render/render_options.h"

namespace zembra::render {

/// The private entries these options ask for: /ZembraImageHeight for
/// --height, /ZembraJpegQuality for --quality (numbers as text strings, read
/// by the image exporter), /ZembraTransparent "true" for --transparent.
/// Empty when none is needed.
std::vector<NameValue> PrivateInfoEntries(const RenderOptions& options);

/// Copies the PDF at from to to, with these entries set in its document
/// information dictionary; everything else stays as it is.
bool WriteWithInfoEntries(const std::string& from, const std::string& to, const std::vector<NameValue>& entries,
                          std::string& error);

}  // namespace zembra::render
