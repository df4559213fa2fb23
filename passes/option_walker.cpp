#include "passes/option_walker.h"

#include "tools/shell_quote.h"

bool RowMatches(const OptionRow& row, const std::string& current) {
  if (current.empty()) return row.matchesEmpty;
  return current == row.typed || (row.typedUpper != nullptr && current == row.typedUpper);
}

std::string& DestinationText(PassState& state, OptionDestination destination) {
  switch (destination) {
    case DEST_TOOLBOX_OPERATIONS: return state.toolboxOperations;
    case DEST_TOOLBOX_SECURITY: return state.toolboxSecurity;
    case DEST_RENDERER: return state.rendererCommand;
    case DEST_POST: break;
  }
  return state.postCommand;
}

void RunOptionRow(const OptionRow& row, PassState& state) {
  std::string& text = DestinationText(state, row.destination);
  AppendQuotedToken(text, row.forwarded);
  for (int taken = 0; taken < row.values && state.index + 1 < state.argc; ++taken) {
    ++state.index;
    state.current = state.argv[state.index];
    AppendQuotedToken(text, state.current);
  }
  state.nothingMatched = false;
}

void ApplyOptionGroups(std::span<const OptionRow> rows, PassState& state) {
  size_t first = 0;
  while (first < rows.size()) {
    size_t end = first;
    while (end < rows.size() && rows[end].group == rows[first].group) ++end;
    for (size_t row = first; row < end; ++row) {
      if (RowMatches(rows[row], state.current)) {
        RunOptionRow(rows[row], state);
        break;
      }
    }
    first = end;
  }
}
