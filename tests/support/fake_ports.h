// Light adapters of the ports for tests: everything they are asked is remembered.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <filesystem>
#include <string>
#include <vector>

#include "io/disk_files.h"
#include "play/form1.h"
#include "view/canvas.h"

namespace korvel::testing {

struct RecordingCanvas : Canvas {
  struct Op {
    char kind;  // 'P' picture, 'F' frame, 'T' text
    PieceCode code;
    int colour = 0;
    double x = 0, y = 0;
    std::string text;
    int size = 0;
  };
  std::vector<Op> ops;
  void DrawPicture(PieceCode code, double x, double y) override {
    ops.push_back({'P', code, 0, x, y, "", 0});
  }
  void FrameRect(int colour, double x, double y, double, double) override {
    ops.push_back({'F', EMPTY, colour, x, y, "", 0});
  }
  void SetBold(bool) override {}
  void PrintText(double x, double y, std::string_view text, int colour, int size) override {
    ops.push_back({'T', EMPTY, colour, x, y, std::string(text), size});
  }
  void Flush() override {}
};

struct FakeDialogs : Dialogs {
  std::vector<std::string> shown;
  std::deque<bool> answers;
  void Message(const std::string& t, const std::string& p) override {
    shown.push_back("message " + t + "|" + p);
  }
  void Warning(const std::string& t, const std::string& p) override {
    shown.push_back("warning " + t + "|" + p);
  }
  bool Question(const std::string& t, const std::string& p) override {
    shown.push_back("question " + t + "|" + p);
    if (answers.empty()) return true;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  // Answers queued for the three-button question, used before `answers`.
  std::deque<Answer> choices;
  Answer QuestionOr(const std::string& t, const std::string& p, const std::string& third) override {
    if (choices.empty()) return Dialogs::QuestionOr(t, p, third);
    shown.push_back("question " + t + "|" + p + "|" + third);
    const Answer a = choices.front();
    choices.pop_front();
    return a;
  }
};

struct FakeSound : SoundLibrary {
  Handle context = 1;
  std::vector<std::string> calls;
  Handle next = 1;
  Handle dsInitialize(std::uintptr_t) override { return context; }
  bool refuseImages = false;  // as the device does with data that is no wave image
  Handle dsCreateDSB(Handle, const std::uint8_t*, std::size_t, int, const char* f) override {
    calls.push_back(std::string("create ") + f);
    return refuseImages ? 0 : next++;
  }
  void dsPlay(Handle, const char* f) override { calls.push_back(std::string("play ") + f); }
  void dsPlayLooping(Handle, const char* f) override {
    calls.push_back(std::string("loop ") + f);
  }
  void dsStop(Handle, const char* f) override { calls.push_back(std::string("stop ") + f); }
  void dsFree(Handle) override {}
  void dsTerminate(Handle) override { calls.push_back("terminate"); }
};

struct FakeIcons : TurnIcons {
  void Move(TurnIcon, int, int) override {}
  void SetVisible(TurnIcon, bool) override {}
};

struct FakeHost : Host {
  std::vector<std::string> events;
  // The game clocks' time: moved by the test, by the pauses before computer moves and by
  // the deeper computer's thinking (`thinkMs` each).
  std::int64_t now = 0;
  std::int64_t thinkMs = 0;
  std::int64_t NowMs() override { return now; }
  void Pause(double seconds) override { now += static_cast<std::int64_t>(seconds * 1000 + 0.5); }
  double Think(const std::function<void(const std::atomic<bool>& stop)>& work) override {
    const std::atomic<bool> never{false};
    work(never);
    now += thinkMs;
    return static_cast<double>(thinkMs) / 1000;
  }
  void OpenPage(const std::string& t) override { events.push_back("browse " + t); }
  AboutChoice ShowAbout() override { return AboutChoice::OK; }
  void EndProgram() override { events.push_back("exit"); }
};

// The files port in memory: each area a map from name to bytes.
struct MemoryFiles : Files {
  std::map<std::string, std::string> area[3];
  std::vector<std::string> writes;  // "area/name" of every write, in order
  bool refuseWrites = false;
  FileRead Read(FileArea a, const std::string& name, std::size_t limit) override {
    const auto& m = area[static_cast<int>(a)];
    const auto it = m.find(name);
    if (it == m.end()) return {FileRead::Status::MISSING, {}};
    if (it->second.size() > limit) return {FileRead::Status::TOO_LARGE, {}};
    return {FileRead::Status::OK, it->second};
  }
  bool Write(FileArea a, const std::string& name, const std::string& bytes) override {
    writes.push_back(std::to_string(static_cast<int>(a)) + "/" + name);
    if (refuseWrites) return false;
    area[static_cast<int>(a)][name] = bytes;
    return true;
  }
  std::string PathOf(FileArea a, const std::string& name) override {
    return "/memory/" + std::to_string(static_cast<int>(a)) + "/" + name;
  }
};

// A Form1 wired to fakes, with its files on disk (FormRig) or in memory (MemoryRig).
template <class FilesPort>
struct FormRigWith {
  RecordingCanvas canvas;
  FakeDialogs dialogs;
  FakeSound sound;
  FakeIcons icons;
  FakeHost host;
  FilesPort files;
  Form1 form{canvas, dialogs, sound, icons, host, files};
};
using FormRig = FormRigWith<DiskFiles>;
using MemoryRig = FormRigWith<MemoryFiles>;

// Runs each test in a fresh folder of its own, so the settings file and the wave files
// beside the "program" are the test's own.
class InFreshFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    old_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("korvel4-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }
  void TearDown() override {
    namespace fs = std::filesystem;
    fs::current_path(old_);
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }
  std::filesystem::path old_, dir_;
};

}  // namespace korvel::testing
