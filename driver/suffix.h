#pragma once

#include <string>

/// Cuts the suffix (the text after the last "." of the path's final
/// component) into suffix and returns 1; returns 0 and leaves suffix as it
/// was when the final component has no ".". "/" is the only separator.
int getsuffer(std::string path, std::string& suffix);
