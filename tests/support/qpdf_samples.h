// PDFs with known content built with libqpdf: text pages, a form, an
// attachment. Independent of the code under test.
#pragma once

#include <string>
#include <vector>

namespace zembra::testing {

/// PDF with one page per text; each page shows its text in Helvetica at
/// height y (points from the bottom), so stamps can be kept apart from text.
/// Document information: title "Test document", author "Zembra tests".
void MakeTextPdf(const std::string& path, const std::vector<std::string>& pageTexts, int y = 600);

/// One-page PDF with a form: text field "name" (Alice), check box "agree"
/// (off, with /Yes and /Off appearances), text field "person.city" (Paris)
/// under a parent field, and a note annotation that is no form field.
void MakeFormPdf(const std::string& path, bool withXfa = false);

/// One-page PDF carrying one attachment.
void MakeAttachmentPdf(const std::string& path, const std::string& name, const std::string& content);

}  // namespace zembra::testing
