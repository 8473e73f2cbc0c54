// The settings file beside the program: four options that survive a restart. It is read
// once at start-up and rewritten whole on every option change; nothing about it is ever
// shown to the player.
#include <iconv.h>

#include <optional>
#include <string>
#include <vector>

#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

bool IsValidUtf8(const std::string& s) {
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    if (c < 0x80) extra = 0;
    else if (c >= 0xC2 && c <= 0xDF) extra = 1;
    else if ((c & 0xF0) == 0xE0) extra = 2;
    else if (c >= 0xF0 && c <= 0xF4) extra = 3;
    else return false;
    if (i + extra >= n && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

// Files written by older Japanese editors are in Shift-JIS.
std::optional<std::string> FromShiftJis(const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "SHIFT_JIS");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 3 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || srcLeft != 0) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

// The settings file is a few short lines: anything much larger is damaged.
constexpr std::size_t SETTINGS_LIMIT = 64 * 1024;

// The file's text in UTF-8, or nothing when it cannot be read or is in neither encoding.
std::optional<std::string> SettingsText(const FileRead& file) {
  if (file.status != FileRead::Status::OK) return std::nullopt;
  std::string bytes = file.bytes;
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  if (IsValidUtf8(bytes)) return bytes;
  return FromShiftJis(bytes);
}

// Lines end at LF or CR LF; what follows the last line end is a line only when it is not
// empty.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

int BackgroundCodeOf(const std::string& value) {
  if (value == "緑") return 2;
  if (value == "畳") return 3;
  if (value == "竹") return 4;
  if (value == "宇宙") return 5;
  if (value == "煉瓦") return 6;
  return 0;
}

const std::vector<std::string> DEFAULT_LINES = {"移動指導=OK", "ｱｲｺﾝ表示=OK", "背景画=緑",
                                                "BGM=NG"};

}  // namespace

void Form1::ApplySetting(const std::string& key, const std::string& value) {
  if (key == "移動指導") {
    if (value == "OK") SetGuidance(true);
    else if (value == "NG") SetGuidance(false);
  } else if (key == "ｱｲｺﾝ表示") {
    if (value == "OK") options_.AICON = true;
    else if (value == "NG") options_.AICON = false;
  } else if (key == "背景画") {
    const int b = BackgroundCodeOf(value);
    if (b != 0) {
      options_.MarkBackground(b);
      TileBackground(canvas_, PieceCode(b));
      currentBackground_ = PieceCode(b);
    }
  } else if (key == "BGM") {
    if (value == "OK") {
      options_.BGM = true;
      sound_.dsPlayLooping(sndBgm_, "BGM.wav");
    } else if (value == "NG") {
      options_.BGM = false;
      sound_.dsStop(sndBgm_, "BGM.wav");
    }
  }
}

namespace {
std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}
}  // namespace

bool Form1::WriteSettingsFile(const std::vector<std::string>& lines) {
  return files_.Write(FileArea::CONFIG, SETTINGS_FILE, JoinLines(lines));
}

// A missing, unreadable or damaged file is replaced by the defaults, each applied as it is
// written; whatever earlier lines set is overridden.
void Form1::WriteDefaultSettings() {
  WriteSettingsFile(DEFAULT_LINES);
  for (const std::string& line : DEFAULT_LINES) {
    const size_t p = line.find('=');
    ApplySetting(line.substr(0, p), line.substr(p + 1));
  }
}

void Form1::LoadSettings() {
  const std::optional<std::string> text =
      SettingsText(files_.Read(FileArea::CONFIG, SETTINGS_FILE, SETTINGS_LIMIT));
  if (!text) {
    WriteDefaultSettings();
    return;
  }
  for (const std::string& line : SplitLines(*text)) {
    const size_t p = line.find('=');
    if (p == std::string::npos) {
      WriteDefaultSettings();
      return;
    }
    ApplySetting(line.substr(0, p), line.substr(p + 1));
  }
}

void Form1::SaveSettings() {
  std::vector<std::string> lines;
  lines.push_back(options_.SIDOU ? "移動指導=OK" : "移動指導=NG");
  lines.push_back(options_.AICON ? "ｱｲｺﾝ表示=OK" : "ｱｲｺﾝ表示=NG");
  if (options_.MIDORI) lines.push_back("背景画=緑");
  else if (options_.TAKE) lines.push_back("背景画=竹");
  else if (options_.TATAMI) lines.push_back("背景画=畳");
  else if (options_.UCHU) lines.push_back("背景画=宇宙");
  else if (options_.RENGA) lines.push_back("背景画=煉瓦");
  lines.push_back(options_.BGM ? "BGM=OK" : "BGM=NG");
  if (WriteSettingsFile(lines)) return;
  // The save failed: fall back to the defaults (the other options stay as they are).
  if (WriteSettingsFile(DEFAULT_LINES)) options_.MarkBackground(2);
}

}  // namespace korvel
