// A second, independent description of what a pass asks the shell to run:
// the words each tool must receive, built from the option tables as lists of
// pieces rather than as shell text. Used by the property tests and the fuzzer.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zembra::testing {

/// A piece of a command: a quoted token (one word, whatever it holds) or
/// raw text (joins neighbouring raw text; splits at blanks, tabs, newlines).
struct Piece {
  std::string text;
  bool quoted;
};

/// The pieces of the command that the pass of this mode runs, tool path
/// first; nothing when the pass runs nothing.
std::optional<std::vector<Piece>> ModelCommand(const std::vector<std::string>& argv, int mode);

/// The words a tool receives for these pieces.
std::vector<std::string> WordsOf(const std::vector<Piece>& pieces);

/// Splits a command line into words by the rules of a POSIX shell, or gives
/// nothing when the shell would do more than split and unquote it: an
/// unescaped character that could expand, redirect, glob or start another
/// command. Quoted empty text yields an empty word.
std::optional<std::vector<std::string>> StrictShellWords(const std::string& command);

}  // namespace zembra::testing
