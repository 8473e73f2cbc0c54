// The files port: everything the application keeps on disk or reads from it goes through
// here, so that play/ itself does no I/O and tests can hand it an in-memory store.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "play/texts.h"

namespace korvel {

// Where a file lives. CONFIG: the player's own options (the settings file). DATA: the
// program's read-only data (wave files, help page). USER_DATA: what the game keeps for
// the player (records, the unfinished game).
enum class FileArea { CONFIG, DATA, USER_DATA };

struct FileRead {
  enum class Status {
    OK,
    MISSING,     // nothing is there
    NOT_A_FILE,  // a folder, a pipe, a device: never opened
    UNREADABLE,  // there, but it could not be opened or read
    TOO_LARGE,   // more than the limit asked for; not read
  };
  Status status = Status::MISSING;
  std::string bytes;
};

class Files {
 public:
  virtual ~Files() = default;
  // The whole file, when it is a regular file (or a link to one) of at most `limit`
  // bytes. Never blocks on a pipe or a device.
  virtual FileRead Read(FileArea area, const std::string& name, std::size_t limit) = 0;
  // Replaces the file whole, so that no moment shows a part of it (on disk: a temporary
  // file beside it, renamed over it); false when it cannot be written, the old file then
  // as it was. Anything that is not a regular file (or a link to one), and a read-only
  // file, is never replaced.
  virtual bool Write(FileArea area, const std::string& name, const std::string& bytes) = 0;
  // The full path of a file, for showing it or opening it in a browser.
  virtual std::string PathOf(FileArea area, const std::string& name) = 0;

  // A file at a path the player chose (records), read like Read. Stores without a disk
  // have none.
  virtual FileRead ReadPath(const std::string& /*path*/, std::size_t /*limit*/) {
    return {FileRead::Status::UNREADABLE, {}};
  }
  // Writes a temporary file beside the target and renames it over the target: a failed
  // write leaves any old file whole. False with `error` set when it fails.
  virtual bool WritePathAtomically(const std::string& /*path*/, const std::string& /*bytes*/,
                                   std::string* error) {
    if (error) *error = Text(TextId::FILE_UNWRITABLE);
    return false;
  }

  // A file at a path the program named itself (a network game's record) that must not be
  // there yet, written as WriteNew writes: false with `taken` set when something is there,
  // else with `error` set when it fails.
  virtual bool WriteNewPath(const std::string& /*path*/, const std::string& /*bytes*/,
                            bool* taken, std::string* error) {
    *taken = false;
    if (error) *error = "書き込めません";
    return false;
  }

  // --- files the program names itself in an area (the unfinished games) ----------------
  // The names of the regular files of an area, not empty, that begin with `prefix` and end
  // with `suffix`, the most recently written first. Stores without a folder list none.
  virtual std::vector<std::string> List(FileArea /*area*/, const std::string& /*prefix*/,
                                        const std::string& /*suffix*/) {
    return {};
  }
  // Writes a file that must not be there yet: the whole file appears at once, and nothing
  // there is ever replaced. False, with `taken` set when something is there already.
  virtual bool WriteNew(FileArea /*area*/, const std::string& /*name*/,
                        const std::string& /*bytes*/, bool* taken) {
    *taken = false;
    return false;
  }
  // Removes a regular file of an area; false when it cannot.
  virtual bool Remove(FileArea /*area*/, const std::string& /*name*/) { return false; }
  // Runs `work` while no other copy of the program works in the same area through this
  // call; one that does is waited for a moment, then `work` runs all the same.
  virtual void Exclusively(FileArea /*area*/, const std::function<void()>& work) { work(); }
};

}  // namespace korvel
