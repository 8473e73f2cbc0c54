// The files port on the local disk (POSIX). Each area is a folder; an empty folder name
// stands for the current directory, which is how the program runs from its own folder.
#pragma once

#include <string>

#include "play/files.h"

namespace korvel {

class DiskFiles : public Files {
 public:
  DiskFiles() = default;
  DiskFiles(std::string configDir, std::string dataDir, std::string userDataDir)
      : config_(std::move(configDir)), data_(std::move(dataDir)), user_(std::move(userDataDir)) {}

  FileRead Read(FileArea area, const std::string& name, std::size_t limit) override;
  bool Write(FileArea area, const std::string& name, const std::string& bytes) override;
  std::string PathOf(FileArea area, const std::string& name) override;
  FileRead ReadPath(const std::string& path, std::size_t limit) override;
  bool WritePathAtomically(const std::string& path, const std::string& bytes,
                           std::string* error) override;
  bool WriteNewPath(const std::string& path, const std::string& bytes, bool* taken,
                    std::string* error) override;
  // Listing, new files, removal and the area's lock (disk_area_files.cpp).
  std::vector<std::string> List(FileArea area, const std::string& prefix,
                                const std::string& suffix) override;
  bool WriteNew(FileArea area, const std::string& name, const std::string& bytes,
                bool* taken) override;
  bool Remove(FileArea area, const std::string& name) override;
  void Exclusively(FileArea area, const std::function<void()>& work) override;

  // The path the area's file is opened at: relative when the area is the current folder.
  std::string OpenPath(FileArea area, const std::string& name) const;

 private:
  const std::string& Dir(FileArea area) const;
  std::string config_, data_, user_;
};

// The same reading and writing on a path of the caller's choosing.
FileRead ReadRegularFile(const std::string& path, std::size_t limit);
// Replaces the regular file at `path` through WriteFileAtomically; when `path` is a link, the
// file at the end of its links is replaced and the links stay. With `linksWithin` given, a
// link that leads out of that folder is not followed and nothing is written. False with
// `error` set (when given) when it fails.
bool WriteRegularFile(const std::string& path, const std::string& bytes,
                      std::string* error = nullptr, const std::string& linksWithin = {});
// Writes a temporary file beside the target, flushes it to the disk and renames it over the
// target, so that the target is at every moment either the old file or the new one, whole.
// Anything that is not a regular file, and a file that is read-only, is never replaced.
// False with `error` set (a reason in Japanese) when it fails.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error);
// The same, for a file that must not be there yet: the whole file appears under `path` at
// once, and nothing there is ever replaced. False with `taken` set when something is there.
bool WriteNewFileAtomically(const std::string& path, const std::string& bytes, std::string* error,
                            bool* taken);

// Temporary files are named ".NAME.korvel4-XXXXXX" beside their target NAME. A save that
// was cut short (the program killed, the power gone) leaves one behind: every save removes
// those in its folder that are this user's regular files and a minute old, which no save
// still going on can own. The number removed.
int RemoveStaleTemporaries(const std::string& path);
bool IsTemporaryName(const std::string& name);

// Why a write failed, in Japanese, with the system's own words in parentheses.
std::string SaveErrorText(int err);

}  // namespace korvel
