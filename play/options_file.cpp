// The options file, and the options' own small operations.
#include <charconv>
#include <string_view>

#include "play/form1.h"
#include "play/options.h"

namespace korvel {

namespace {

// The file is a handful of short lines: anything larger is no file of ours.
constexpr std::size_t FILE_LIMIT = 64 * 1024;

std::string Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return std::string(s.substr(first, last - first + 1));
}

void ReadBool(const std::string& value, bool& out) {
  if (value == "1" || value == "true" || value == "on")
    out = true;
  else if (value == "0" || value == "false" || value == "off")
    out = false;
}

void ReadSide(const std::string& value, int& out) {
  int n = 0;
  const char* end = value.data() + value.size();
  const auto [p, ec] = std::from_chars(value.data(), end, n);
  if (ec == std::errc() && p == end && n >= MIN_WINDOW_SIDE && n <= MAX_WINDOW_SIDE) out = n;
}

// The lines of the options file, in the order they are written.
struct FileLine {
  const char* key;
  bool Options::*flag;  // a yes/no option, or
  int Options::*side;   // one side of the window
};
constexpr FileLine FILE_LINES[] = {
    {"notices", &Options::OSHIRASE, nullptr},
    {"tint", &Options::IROWAKE, nullptr},
    {"window_width", nullptr, &Options::windowWidth},
    {"window_height", nullptr, &Options::windowHeight},
    {"last_move_mark", &Options::SAISYUTE, nullptr},
    {"move_list", &Options::KIFU_WINDOW, nullptr},
};
// The one line holding a text, written after the others and only when there is one.
constexpr const char* RECORD_FOLDER_KEY = "record_folder";
// A path of a folder: no line breaks, and a bound to what the file may hold.
constexpr std::size_t FOLDER_LIMIT = 4096;

}  // namespace

void Options::MarkLevel(int n) {
  LEVEL1 = n == 1;
  LEVEL2 = n == 2;
  LEVEL3 = n == 3;
  LEVEL4 = n == 4;
}

void Options::MarkBackground(int code) {
  MIDORI = code == 2;
  TATAMI = code == 3;
  TAKE = code == 4;
  UCHU = code == 5;
  RENGA = code == 6;
}

// The language's line, written after the others once a language was chosen.
constexpr const char* LANGUAGE_KEY = "language";

Options ParseOptionsFile(const std::string& text, Options base) {
  Options o = base;
  const Options defaults;
  o.recordFolder.clear();
  for (const FileLine& l : FILE_LINES) {
    if (l.flag)
      o.*l.flag = defaults.*l.flag;
    else
      o.*l.side = defaults.*l.side;
  }
  o.LANG_JA = defaults.LANG_JA;
  o.LANG_EN = defaults.LANG_EN;
  o.languageKept = defaults.languageKept;
  std::string_view rest = text;
  // A byte-order mark written by an editor is no part of the first key.
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  while (!rest.empty()) {
    const auto eol = rest.find('\n');
    const std::string_view line = rest.substr(0, eol);
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
    if (key == RECORD_FOLDER_KEY && value.size() <= FOLDER_LIMIT) o.recordFolder = value;
    if (key == LANGUAGE_KEY && (value == "en" || value == "ja")) {
      o.LANG_EN = value == "en";
      o.LANG_JA = !o.LANG_EN;
      o.languageKept = true;
    }
    for (const FileLine& l : FILE_LINES) {
      if (key != l.key) continue;
      if (l.flag)
        ReadBool(value, o.*l.flag);
      else
        ReadSide(value, o.*l.side);
    }
  }
  return o;
}

std::string FormatOptionsFile(const Options& o) {
  std::string s;
  for (const FileLine& l : FILE_LINES) {
    s += l.key;
    s += '=';
    s += l.flag ? (o.*l.flag ? "1" : "0") : std::to_string(o.*l.side);
    s += '\n';
  }
  const std::string& folder = o.recordFolder;
  if (!folder.empty() && folder.size() <= FOLDER_LIMIT &&
      folder.find_first_of("\r\n") == std::string::npos && Trim(folder) == folder)
    s += std::string(RECORD_FOLDER_KEY) + "=" + folder + "\n";
  if (o.languageKept) s += std::string(LANGUAGE_KEY) + (o.LANG_EN ? "=en\n" : "=ja\n");
  return s;
}

Options ReadOptionsFile(Files& files, Options base) {
  const FileRead r = files.Read(FileArea::CONFIG, OPTIONS_FILE, FILE_LIMIT);
  return ParseOptionsFile(r.status == FileRead::Status::OK ? r.bytes : "", base);
}

bool WriteOptionsFile(Files& files, const Options& options) {
  return files.Write(FileArea::CONFIG, OPTIONS_FILE, FormatOptionsFile(options));
}

// --- the application object's side ------------------------------------------------------

void Form1::LoadOptionsFile() {
  options_ = ReadOptionsFile(files_, options_);
  SetLanguage(options_.LANG_EN ? Language::ENGLISH : Language::JAPANESE);
}

bool Form1::SaveOptionsFile() {
  return WriteOptionsFile(files_, options_);
}

void Form1::NoteRecordFolder(const std::string& folder) {
  if (ended_ || folder.empty() || folder == options_.recordFolder) return;
  options_.recordFolder = folder;
  SaveOptionsFile();
}

}  // namespace korvel
