// File names of the three sibling executables, found in zemconv's own directory.
#pragma once

inline constexpr char RENDERER_TOOL[] = "zemrender.lib";  ///< HTML to PDF
inline constexpr char TOOLBOX_TOOL[] = "zemkit.lib";      ///< PDF security and document operations
inline constexpr char CONVERTER_TOOL[] = "zemexport.lib"; ///< PDF to every other format
