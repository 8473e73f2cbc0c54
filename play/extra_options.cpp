#include "play/extra_options.h"

#include <charconv>
#include <cmath>

#include "game/state.h"
#include "play/form1.h"
#include "view/board_drawing.h"

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
  if (value == "1" || value == "true" || value == "on") out = true;
  else if (value == "0" || value == "false" || value == "off") out = false;
}

void ReadSide(const std::string& value, int& out) {
  int n = 0;
  const char* end = value.data() + value.size();
  const auto [p, ec] = std::from_chars(value.data(), end, n);
  if (ec == std::errc() && p == end && n >= MIN_WINDOW_SIDE && n <= MAX_WINDOW_SIDE) out = n;
}

}  // namespace

ExtraOptions ParseExtraOptions(const std::string& text) {
  ExtraOptions o;
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
    if (key == "notices") ReadBool(value, o.notices);
    else if (key == "tint") ReadBool(value, o.tint);
    else if (key == "window_width") ReadSide(value, o.windowWidth);
    else if (key == "window_height") ReadSide(value, o.windowHeight);
    else if (key == "last_move_mark") ReadBool(value, o.lastMoveMark);
    else if (key == "move_list") ReadBool(value, o.moveList);
  }
  return o;
}

std::string FormatExtraOptions(const ExtraOptions& o) {
  auto b = [](bool v) { return v ? "1" : "0"; };
  std::string s;
  s += std::string("notices=") + b(o.notices) + "\n";
  s += std::string("tint=") + b(o.tint) + "\n";
  s += "window_width=" + std::to_string(o.windowWidth) + "\n";
  s += "window_height=" + std::to_string(o.windowHeight) + "\n";
  s += std::string("last_move_mark=") + b(o.lastMoveMark) + "\n";
  s += std::string("move_list=") + b(o.moveList) + "\n";
  return s;
}

ExtraOptions ReadExtraOptions(Files& files) {
  const FileRead r = files.Read(FileArea::CONFIG, EXTRA_OPTIONS_FILE, FILE_LIMIT);
  if (r.status != FileRead::Status::OK) return ExtraOptions();
  return ParseExtraOptions(r.bytes);
}

bool WriteExtraOptions(Files& files, const ExtraOptions& options) {
  return files.Write(FileArea::CONFIG, EXTRA_OPTIONS_FILE, FormatExtraOptions(options));
}

// --- the application object's side ------------------------------------------------------

void Form1::LoadExtraOptions() {
  extra_ = ReadExtraOptions(files_);
  checks_.OSHIRASE = extra_.notices;
  checks_.IROWAKE = extra_.tint;
  checks_.SAISYUTE = extra_.lastMoveMark;
  checks_.KIFU_WINDOW = extra_.moveList;
}

bool Form1::SaveExtraOptions() { return WriteExtraOptions(files_, extra_); }

void Form1::OSHIRASE_Click() {
  if (ended_) return;
  extra_.notices = checks_.OSHIRASE = !checks_.OSHIRASE;
  SaveExtraOptions();
}

void Form1::IROWAKE_Click() {
  if (ended_) return;
  extra_.tint = checks_.IROWAKE = !checks_.IROWAKE;
  SaveExtraOptions();
}

bool Form1::Unpick(double x, double y) {
  if (ended_ || !game_.State().GameStarted || game_.ResumePending() || pieceSelected_ != 1)
    return false;
  // The cell as the press handler finds it.
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  if (!std::isfinite(fx) || !std::isfinite(fy)) return false;
  const double c = std::floor((static_cast<double>(fx) - GRID_X0) / CELL_TWIPS);
  const double r = std::floor((static_cast<double>(fy) - GRID_Y0) / CELL_TWIPS);
  if (c != fromX_ || r != fromY_) return false;
  pieceSelected_ = 0;
  ClearGuidance();
  FrameCell(canvas_, COLOUR_GREEN, fromX_, fromY_);
  canvas_.Flush();
  return true;
}

}  // namespace korvel
