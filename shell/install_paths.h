// Where the program's files are: beside the program (portable: the build folder, an
// unpacked archive) or in the folders of an installed program (read-only data under the
// install prefix, the player's own files in the XDG folders of the home folder).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace korvel {

enum class RunMode { PORTABLE, INSTALLED };

// The read-only files the game takes from its data folder: the help page and the five
// wave files.
const std::vector<std::string>& GameDataFiles();

using FileExists = std::function<bool(const std::string& path)>;

// The one rule that tells the two ways to run apart. Portable when the program's own
// folder holds any of the game's data files (they win); installed when the installed data
// folder holds the help page; portable otherwise, so that a program copied alone somewhere
// keeps its settings beside itself as it always has.
RunMode ChooseRunMode(const std::string& programDir, const std::string& installedDataDir,
                      const FileExists& exists);

// Looks up an environment variable; null when it is unset.
using GetEnv = std::function<const char*(const char*)>;

struct UserFolders {
  std::string config;  // $XDG_CONFIG_HOME/korvel4, else ~/.config/korvel4
  std::string data;    // $XDG_DATA_HOME/korvel4, else ~/.local/share/korvel4
};

// The player's folders by the XDG base directory rules: a variable that is unset, empty or
// not an absolute path is ignored. `passwdHome` stands in for an unset or relative HOME.
// Empty folders when no home is known at all.
UserFolders XdgUserFolders(const GetEnv& env, const std::string& passwdHome);

// The three folders the files port is built on. Empty folders in portable mode: the
// current directory, which the caller makes the program's folder.
struct FilePlaces {
  RunMode mode = RunMode::PORTABLE;
  std::string config, data, userData;
};

// The whole decision for the running program: `programDir` is the folder the executable
// is in, `dataFromProgram` the installed data folder relative to it (or absolute). Reads
// the environment and, when installed, creates the player's folders (mode 0700). What
// could not be created is described in `problems`, one line each; the program still runs
// (it cannot keep its options then).
FilePlaces FindFilePlaces(const std::string& programDir, const std::string& dataFromProgram,
                          std::vector<std::string>* problems);

// Creates a folder and the folders above it that are missing. False with `error` set when
// it cannot, or when something that is not a folder stands in the way.
bool MakeFolders(const std::string& path, std::string* error);

}  // namespace korvel
