#include "shell/install_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace korvel {

namespace {

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

bool RegularFileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string PasswdHome() {
  const struct passwd* pw = ::getpwuid(::getuid());
  return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
}

}  // namespace

const std::vector<std::string>& GameDataFiles() {
  static const std::vector<std::string> files = {
      "Korvel4人将棋.htm", "その他.wav", "禁止.wav", "駒打音.wav", "終局.wav", "BGM.wav",
  };
  return files;
}

RunMode ChooseRunMode(const std::string& programDir, const std::string& installedDataDir,
                      const FileExists& exists) {
  for (const std::string& name : GameDataFiles())
    if (exists(Join(programDir, name))) return RunMode::PORTABLE;
  if (!installedDataDir.empty() && exists(Join(installedDataDir, GameDataFiles().front())))
    return RunMode::INSTALLED;
  return RunMode::PORTABLE;
}

UserFolders XdgUserFolders(const GetEnv& env, const std::string& passwdHome) {
  const char* homeVar = env("HOME");
  const std::string home = IsAbsolute(homeVar) ? homeVar : passwdHome;
  auto base = [&](const char* variable, const char* underHome) -> std::string {
    const char* value = env(variable);
    if (IsAbsolute(value)) return value;
    return home.empty() ? "" : Join(home, underHome);
  };
  UserFolders folders;
  const std::string config = base("XDG_CONFIG_HOME", ".config");
  const std::string data = base("XDG_DATA_HOME", ".local/share");
  if (!config.empty()) folders.config = Join(config, "korvel4");
  if (!data.empty()) folders.data = Join(data, "korvel4");
  return folders;
}

bool MakeFolders(const std::string& path, std::string* error) {
  if (path.empty()) {
    if (error) *error = "no folder given";
    return false;
  }
  // Each missing step is made in turn, so that a failure names the step that failed.
  std::string sofar;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    sofar = path.substr(0, next);
    pos = next + 1;
    if (sofar.empty()) continue;
    if (::mkdir(sofar.c_str(), 0700) == 0) continue;
    const int err = errno;
    struct stat st;
    if (::stat(sofar.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    if (error) *error = sofar + ": " + (err == EEXIST ? "not a folder" : std::strerror(err));
    return false;
  }
  return true;
}

FilePlaces FindFilePlaces(const std::string& programDir, const std::string& dataFromProgram,
                          std::vector<std::string>* problems) {
  FilePlaces places;
  std::string installedData;
  if (!dataFromProgram.empty()) {
    const std::string joined =
        dataFromProgram.front() == '/' ? dataFromProgram : Join(programDir, dataFromProgram);
    // Shown to the player (the help page's address): no "games/.." in it.
    installedData = std::filesystem::path(joined).lexically_normal().string();
  }
  places.mode = ChooseRunMode(programDir, installedData, RegularFileExists);
  if (places.mode == RunMode::PORTABLE) return places;

  places.data = installedData;
  const UserFolders user =
      XdgUserFolders([](const char* name) { return std::getenv(name); }, PasswdHome());
  places.config = user.config;
  places.userData = user.data;
  if (user.config.empty() || user.data.empty()) {
    if (problems) problems->push_back("no home folder is known (HOME is not set)");
    // A folder that cannot exist: every write fails and nothing lands in the current one.
    if (places.config.empty()) places.config = "/nonexistent/korvel4";
    if (places.userData.empty()) places.userData = "/nonexistent/korvel4";
    return places;
  }
  for (const std::string* folder : {&places.config, &places.userData}) {
    std::string error;
    if (!MakeFolders(*folder, &error) && problems)
      problems->push_back("cannot create " + *folder + " (" + error + ")");
  }
  return places;
}

}  // namespace korvel
