#include "net/record_files.h"

#include "io/disk_files.h"
#include "play/record_keeper.h"

namespace korvel::net {

std::string SaveNewRecord(const std::function<std::string(const std::string& name)>& pathOf,
                          const std::string& suffix, const std::string& text, std::string* error) {
  DiskFiles files;
  return RecordKeeper(files).SaveNew(pathOf, suffix, text, error);
}

}  // namespace korvel::net
