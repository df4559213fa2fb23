// PPTX: the package of pptx_parts written with libzip, each page rendered
// by poppler into a PNG picture.
#pragma once

#include <string>

#include "engines/export/export_job.h"

namespace zembra::exporter {

/// Resolution of the page pictures: sharp when the slide is shown full screen.
constexpr double kSlidePictureDpi = 200;

bool WritePptx(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
