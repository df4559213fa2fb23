// The format converter options for zemexport.lib (and "-quality" for the
// renderer), followed by the rules for empty and unrecognised arguments.
#include "passes/converter_table.h"

#include "passes/option_walker.h"
#include "tools/shell_quote.h"

namespace {

// Group 1 holds at most one match per position; "-eol" (group 2) and
// "-nopgbrk" (group 3) are tried again on the value group 1 took.
constexpr OptionRow kConverterRows[] = {
    {1, "-quality", nullptr, false, "--quality", 1, DEST_RENDERER},
    {1, "-f", nullptr, true, "-f", 1, DEST_POST},
    {1, "-l", nullptr, false, "-l", 1, DEST_POST},
    {1, "-r", nullptr, false, "-r", 1, DEST_POST},
    {1, "-xres", nullptr, false, "-xres", 1, DEST_POST},
    {1, "-yres", nullptr, false, "-yres", 1, DEST_POST},
    {1, "-w", nullptr, false, "-w", 1, DEST_POST},
    {1, "-width", nullptr, false, "-width", 1, DEST_POST},
    {1, "-h", nullptr, false, "-h", 1, DEST_POST},
    {1, "-height", nullptr, false, "-height", 1, DEST_POST},
    {1, "-mono", nullptr, false, "-mono", 0, DEST_POST},
    {1, "-gray", nullptr, false, "-gray", 0, DEST_POST},
    {1, "-dither", nullptr, false, "-dither", 1, DEST_POST},
    {1, "-compress", nullptr, false, "-compress", 1, DEST_POST},
    {1, "-multipage", nullptr, false, "-multipage", 0, DEST_POST},
    {1, "-aa", nullptr, false, "-aa", 1, DEST_POST},
    {1, "-aavec", nullptr, false, "-aavec", 1, DEST_POST},
    {1, "-aaVector", nullptr, false, "-aaVector", 1, DEST_POST},
    {1, "-opw", nullptr, false, "-opw", 1, DEST_POST},
    {1, "-upw", nullptr, false, "-upw", 1, DEST_POST},
    {1, "-forcebwtif", nullptr, false, "-forcebwtif", 0, DEST_POST},
    {1, "-threshold", nullptr, false, "-threshold", 1, DEST_POST},
    {1, "-forcexdpi", nullptr, false, "-forcexdpi", 1, DEST_POST},
    {1, "-forceydpi", nullptr, false, "-forceydpi", 1, DEST_POST},
    {1, "-tempname", nullptr, false, "-tempname", 1, DEST_POST},
    {1, "-tempname1", nullptr, false, "-tempname1", 0, DEST_POST},
    {1, "-trimimage", nullptr, false, "-trimimage", 0, DEST_POST},
    {1, "-rotate", nullptr, false, "-rotate", 1, DEST_POST},
    {1, "-layout", nullptr, false, "-layout", 0, DEST_POST},
    {1, "-fixed", nullptr, false, "-fixed", 1, DEST_POST},
    {1, "-htmlmeta", nullptr, false, "-htmlmeta", 0, DEST_POST},
    {1, "-enc", nullptr, false, "-enc", 1, DEST_POST},
    {2, "-eol", nullptr, true, "-eol", 1, DEST_POST},
    {3, "-nopgbrk", nullptr, true, "-nopgbrk", 0, DEST_POST},
};

constexpr int EMPTY_TAIL_TOKENS = 10;

}  // namespace

std::span<const OptionRow> ConverterOptionTable() { return kConverterRows; }

void ApplyConverterGroups(PassState& state) {
  const std::span<const OptionRow> rows = ConverterOptionTable();
  ApplyOptionGroups(rows.first(rows.size() - 1), state);

  // Group 3, "-nopgbrk", decides between the empty-argument tail and the
  // rule for arguments that nothing recognised.
  const OptionRow& nopgbrk = rows.back();
  if (RowMatches(nopgbrk, state.current)) {
    RunOptionRow(nopgbrk, state);
    if (state.current.empty()) {
      for (int i = 0; i < EMPTY_TAIL_TOKENS; ++i) AppendQuotedToken(state.postCommand, "");
      state.rendererCommand += "error";
    }
    return;
  }
  if (state.nothingMatched) AppendRawText(state.rendererCommand, state.current);
}
