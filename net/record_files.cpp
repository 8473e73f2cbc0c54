#include "net/record_files.h"

#include <QDateTime>
#include <atomic>

#include "io/disk_files.h"
#include "play/game_record.h"

namespace korvel::net {

std::string SaveNewRecord(const std::function<std::string(const std::string& name)>& pathOf,
                          const std::string& suffix, const std::string& text, std::string* error) {
  // One count for the whole program, so two saves in the same second never meet.
  static std::atomic<int> count{0};
  const std::string stamp =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name =
        "korvel4-net-" + stamp + "-" + std::to_string(++count) + suffix + "." + RECORD_EXTENSION;
    const std::string path = pathOf(name);
    bool taken = false;
    if (WriteNewFileAtomically(path, text, error, &taken)) return path;
    if (!taken) return "";
  }
  return "";
}

}  // namespace korvel::net
