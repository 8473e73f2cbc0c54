// korvel4-script: plays a session of the game without a window, from a script of
// commands, and prints every event a person would see or hear as one line.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "view/canvas.h"

namespace korvel {

class BoundedLines;

// A script's bounds: a line longer, or a script longer in all, stops it with an error.
inline constexpr std::size_t SCRIPT_LINE_LIMIT = 64 * 1024;
inline constexpr std::size_t SCRIPT_SIZE_LIMIT = 16 * 1024 * 1024;

struct RunnerOptions {
  Canvas* canvas = nullptr;  // the off-screen picture; a null canvas when none is given
  // Writes the window's picture (with the visible turn icon) as a PNG. Empty: `snapshot`
  // is refused. The icon is given as shown, kind (0 MAN, 1 COM), left, top in twips.
  std::function<bool(const std::string& file, bool iconShown, int iconKind, int left, int top)>
      snapshot;
  // Plays the rest of the script as one seat of a network game (`join HOST PORT CODE NAME
  // SEAT`): given the join line's words, the script's lines (the join line read last), out
  // and err; answers the exit status. Empty: `join` is refused.
  std::function<int(const std::vector<std::string>& words, BoundedLines& lines,
                    std::ostream& out, std::ostream& err)>
      join;
};

// Runs the script read from `in`; events go to `out`, errors to `err`. Answers the exit
// status: 0, or 2 after an error (a script past its bounds or unreadable included).
int RunScript(std::istream& in, std::ostream& out, std::ostream& err, const RunnerOptions& opts);

}  // namespace korvel
