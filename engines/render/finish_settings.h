// From the renderer's options to the PDF finishing step's settings.
#pragma once

#include <string>

#include "engines/render/pdf_finish/finish_pdf.h"
#include "engines/render/render_options.h"

namespace zembra::render {

/// Whether Chromium's PDF needs any change after printing. Without it the
/// printed file is the result (no second write).
bool NeedsFinishing(const RenderOptions& options);

/// The SVG drawings of check boxes and radio buttons asked for.
finish::ToggleAppearances ToggleSettings(const RenderOptions& options);
bool HasToggleDrawings(const RenderOptions& options);

/// The document information entries the options ask for (--height,
/// --quality, --transparent; the title is Chromium's already).
finish::DocumentInfo InfoSettings(const RenderOptions& options);

/// Settings for finish::FinishPdf; the cover and table of contents PDFs are
/// the renderer's to fill in once printed.
finish::FinishOptions FinishSettings(const RenderOptions& options);

/// Whether headers or footers show page numbers ([page], [topage], the
/// default header): a cover or table of contents before the body shifts them.
bool MarginsShowPageNumbers(const RenderOptions& options);

}  // namespace zembra::render
