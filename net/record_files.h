// Records of network games on disk, under names of the program's own making: the local
// clock and a count, never anything a client sent (the records object's, on the disk).
#pragma once

#include <functional>
#include <string>

namespace korvel::net {

// Writes `text` as a new file `korvel4-net-YYYYMMDD-HHMMSS-N{suffix}.k4k`, where `pathOf`
// says for a name, never over anything already there; the whole file appears at once. The
// path it was written to, or empty with the reason in `error`.
std::string SaveNewRecord(const std::function<std::string(const std::string& name)>& pathOf,
                          const std::string& suffix, const std::string& text, std::string* error);

}  // namespace korvel::net
