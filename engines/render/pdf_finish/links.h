// Link annotations: telling external from internal links, removing them, and
// resolving named destinations to explicit ones.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <string>

namespace zembra::render::finish {

enum class LinkKind { kNone, kExternal, kInternal };

/// External: a /URI, /Launch or /GoToR action (another document).
/// Internal: a /Dest or a /GoTo action (a place in this document).
/// kNone for anything else, including non-link annotations.
LinkKind ClassifyLink(QPDFObjectHandle annotation);

/// The URI of a /Link annotation with a /URI action, or empty.
std::string LinkUri(QPDFObjectHandle annotation);

struct LinkRemoval {
  bool external = false;  ///< --disable-external-links
  bool internal = false;  ///< --disable-internal-links
};

/// Removes the chosen kinds of link annotations from every page. Returns
/// how many were removed.
int RemoveLinks(QPDF& pdf, const LinkRemoval& removal);

/// An explicit destination array for dest (a name or string looked up in the
/// catalog's /Dests or /Names /Dests, a dictionary with /D, or already an
/// array). Null when it cannot be resolved.
QPDFObjectHandle ResolveDestination(QPDF& pdf, QPDFObjectHandle dest);

/// Replaces named destinations in every link annotation by explicit arrays,
/// so the pages can be copied into another document without the name table.
void MakeLinkDestinationsExplicit(QPDF& pdf);

}  // namespace zembra::render::finish
