#include "engines/render/render_options.h"

namespace zembra::render {

bool NeedsFinishing(const RenderOptions& options) {
  // SVG drawings of check boxes alone go into the page itself.
  const finish::FinishOptions& f = options.finish;
  return !options.covers.empty() || options.toc || f.copies > 1 || f.forms || f.ghostscript.needed() ||
         f.links.external || f.links.internal || f.crop || !f.compress || !f.info.empty();
}

}  // namespace zembra::render
