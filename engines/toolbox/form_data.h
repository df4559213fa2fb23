// Interactive forms: listing field values, writing and reading them as FDF,
// removing XFA data and flattening fields into page content.
#pragma once

#include <string>
#include <utility>
#include <vector>

class QPDF;

namespace zembra::toolbox {

/// Terminal fields as (fully qualified name, value as UTF-8 text).
std::vector<std::pair<std::string, std::string>> ReadFieldValues(QPDF& pdf);

/// "name=value" lines in UTF-8 or Latin-1.
std::string FormatFieldValues(const std::vector<std::pair<std::string, std::string>>& fields, bool utf8);

/// The form's fields and values as the text of an FDF file, with the field
/// hierarchy kept. pdfName goes into the FDF's /F entry.
std::string BuildFdf(QPDF& pdf, const std::string& pdfName);

struct FillResult {
  int filled = 0;
  std::vector<std::string> unknownFields;  ///< names in the FDF that the document lacks
};

/// Sets field values from the FDF file's text and regenerates appearances.
/// False with error set when the text is no FDF.
bool FillFromFdf(QPDF& pdf, const std::string& fdfText, FillResult& result, std::string& error);

/// Removes XFA form data, leaving the AcroForm fields. False when there was none.
bool RemoveXfa(QPDF& pdf);

/// Draws every visible form field into its page and removes the form;
/// other annotations stay. Returns the number of fields flattened.
int FlattenForm(QPDF& pdf);

}  // namespace zembra::toolbox
