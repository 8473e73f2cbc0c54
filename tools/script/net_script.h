// korvel4-script as a player of a network game: after `join HOST PORT CODE NAME SEAT` the
// rest of the script plays that seat. Presses become intentions sent to the authority;
// what the authority announces is played on the runner's own copy of the game and printed
// as the runner prints moves and messages (docs/script-format.md).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace korvel {

class BoundedLines;

// `join` holds the words of the join line, the last line `lines` gave. Answers the exit
// status: 0, or 2 after an error (a bad argument, a refused join, a wait that ran out, a
// script past its bounds).
int RunNetScript(const std::vector<std::string>& join, BoundedLines& lines, std::ostream& out,
                 std::ostream& err);

}  // namespace korvel
