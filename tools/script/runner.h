// korvel4-script: plays a session of the game without a window, from a script of
// commands, and prints every event a person would see or hear as one line.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "view/canvas.h"

namespace korvel {

struct RunnerOptions {
  Canvas* canvas = nullptr;  // the off-screen picture; a null canvas when none is given
  // Writes the window's picture (with the visible turn icon) as a PNG. Empty: `snapshot`
  // is refused. The icon is given as shown, kind (0 MAN, 1 COM), left, top in twips.
  std::function<bool(const std::string& file, bool iconShown, int iconKind, int left, int top)>
      snapshot;
  // Plays the rest of the script as one seat of a network game (`join HOST PORT CODE NAME
  // SEAT`): given the join line's words, the script, the join line's number, out and err;
  // answers the exit status. Empty: `join` is refused.
  std::function<int(const std::vector<std::string>& words, std::istream& in, int lineNo,
                    std::ostream& out, std::ostream& err)>
      join;
};

// Runs the script read from `in`; events go to `out`, errors to `err`. Answers the exit
// status: 0, or 2 after an error.
int RunScript(std::istream& in, std::ostream& out, std::ostream& err, const RunnerOptions& opts);

}  // namespace korvel
