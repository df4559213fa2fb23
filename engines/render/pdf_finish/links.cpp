#include "engines/render/pdf_finish/links.h"

#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

namespace zembra::render::finish {
namespace {

QPDFObjectHandle Action(QPDFObjectHandle annotation) {
  QPDFObjectHandle action = annotation.getKey("/A");
  return action.isDictionary() ? action : QPDFObjectHandle::newNull();
}

bool IsLink(QPDFObjectHandle annotation) {
  return annotation.isDictionary() && annotation.getKey("/Subtype").isNameAndEquals("/Link");
}

}  // namespace

LinkKind ClassifyLink(QPDFObjectHandle annotation) {
  if (!IsLink(annotation)) return LinkKind::kNone;
  if (!annotation.getKey("/Dest").isNull()) return LinkKind::kInternal;
  QPDFObjectHandle action = Action(annotation);
  if (action.isNull()) return LinkKind::kNone;
  QPDFObjectHandle type = action.getKey("/S");
  if (type.isNameAndEquals("/URI") || type.isNameAndEquals("/Launch") || type.isNameAndEquals("/GoToR"))
    return LinkKind::kExternal;
  if (type.isNameAndEquals("/GoTo")) return LinkKind::kInternal;
  return LinkKind::kNone;
}

std::string LinkUri(QPDFObjectHandle annotation) {
  if (!IsLink(annotation)) return {};
  QPDFObjectHandle action = Action(annotation);
  if (action.isNull() || !action.getKey("/S").isNameAndEquals("/URI")) return {};
  QPDFObjectHandle uri = action.getKey("/URI");
  return uri.isString() ? uri.getStringValue() : std::string();
}

int RemoveLinks(QPDF& pdf, const LinkRemoval& removal) {
  if (!removal.external && !removal.internal) return 0;
  int removed = 0;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) continue;
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (auto& annotation : annots.aitems()) {
      const LinkKind kind = ClassifyLink(annotation);
      if ((kind == LinkKind::kExternal && removal.external) || (kind == LinkKind::kInternal && removal.internal)) {
        ++removed;
        continue;
      }
      kept.appendItem(annotation);
    }
    if (kept.getArrayNItems() == 0) {
      page.getObjectHandle().removeKey("/Annots");
    } else {
      page.getObjectHandle().replaceKey("/Annots", kept);
    }
  }
  return removed;
}

QPDFObjectHandle ResolveDestination(QPDF& pdf, QPDFObjectHandle dest) {
  for (int depth = 0; depth < 4; ++depth) {
    if (dest.isArray()) return dest;
    if (dest.isDictionary()) {
      dest = dest.getKey("/D");
      continue;
    }
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle found = QPDFObjectHandle::newNull();
    if (dest.isName()) {
      QPDFObjectHandle dests = root.getKey("/Dests");
      if (dests.isDictionary()) found = dests.getKey(dest.getName());
    } else if (dest.isString()) {
      QPDFObjectHandle names = root.getKey("/Names");
      QPDFObjectHandle tree = names.isDictionary() ? names.getKey("/Dests") : QPDFObjectHandle::newNull();
      if (tree.isDictionary()) {
        QPDFNameTreeObjectHelper helper(tree, pdf);
        helper.findObject(dest.getUTF8Value(), found);
      }
      // Some writers key the old-style /Dests dictionary by strings too.
      QPDFObjectHandle dests = root.getKey("/Dests");
      if (found.isNull() && dests.isDictionary()) found = dests.getKey("/" + dest.getStringValue());
    } else {
      return QPDFObjectHandle::newNull();
    }
    if (found.isNull()) return found;
    dest = found;
  }
  return QPDFObjectHandle::newNull();
}

void MakeLinkDestinationsExplicit(QPDF& pdf) {
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) continue;
    for (auto& annotation : annots.aitems()) {
      if (!IsLink(annotation)) continue;
      QPDFObjectHandle dest = annotation.getKey("/Dest");
      QPDFObjectHandle action = Action(annotation);
      if (dest.isNull() && !action.isNull() && action.getKey("/S").isNameAndEquals("/GoTo")) {
        QPDFObjectHandle target = action.getKey("/D");
        if (target.isArray()) continue;
        QPDFObjectHandle resolved = ResolveDestination(pdf, target);
        if (resolved.isArray()) action.replaceKey("/D", resolved);
        continue;
      }
      if (dest.isNull() || dest.isArray()) continue;
      QPDFObjectHandle resolved = ResolveDestination(pdf, dest);
      if (resolved.isArray()) annotation.replaceKey("/Dest", resolved);
    }
  }
}

}  // namespace zembra::render::finish
