// The legacy office formats and metafiles, made by LibreOffice headless:
// DOC from our flat ODT, XLS from our spreadsheet (one sheet of every table), EMF and
// WMF from each page imported into Draw.
#pragma once

#include <string>

#include "engines/export/export_job.h"

namespace zembra::exporter {

bool WriteDoc(const ExportJob& job, std::string& error);
bool WriteXls(const ExportJob& job, std::string& error);
/// EMF or WMF, as the job's format says: one file per page.
bool WriteMetafile(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
