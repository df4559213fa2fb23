// What the output path's suffix asks for, and the files the driver looks at.
#pragma once

#include <string>

enum OutputKind {
  OUTPUT_UNKNOWN = 0,
  OUTPUT_PDF = 1,         ///< the final output is a PDF document
  OUTPUT_CONVERTED = 2,   ///< an image, text or office file made from an intermediate PDF
  OUTPUT_POSTSCRIPT = 3,  ///< a PostScript or EPS file made from an intermediate PDF
};

/// The kind for a suffix, compared exactly: lower and upper case only.
OutputKind OutputKindForSuffix(const std::string& suffix);

/// The first file of a series: "0001" inserted before the path's last ".".
/// Empty when the path has no ".".
std::string SeriesFirstPath(const std::string& outputPath);

/// Whether anything is at the path: a file that opens for reading, or any
/// directory entry at all (unreadable files, dangling symbolic links).
bool PathIsTaken(const std::string& path);
