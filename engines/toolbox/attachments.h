// Embedded files: attaching files to the document and writing its
// attachments out.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "engines/common/output_set.h"

class QPDF;

namespace zembra::toolbox {

/// Attaches the files named on the lines of paths (empty lines skipped),
/// each under its file name, made unique among the attachments. False with
/// error set when a file cannot be read; nothing is attached then.
bool AttachFiles(QPDF& pdf, std::istream& paths, int& attached, std::string& error);

/// Writes every attachment into directory under its own file name (without
/// any directory part it may carry), as optional files of outputs, published
/// with the output. A name that is taken on disk, or twice among the
/// attachments, is skipped with a warning.
bool DetachFiles(QPDF& pdf, const std::string& directory, OutputSet& outputs, std::vector<std::string>& warnings,
                 std::string& error);

}  // namespace zembra::toolbox
