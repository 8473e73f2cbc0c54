// The sound device against SDL's disk driver: what reaches the "speaker" is read back
// from the file the driver writes.
#include "shell/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace korvel {
namespace {

namespace fs = std::filesystem;
using Handle = SoundLibrary::Handle;
using Bytes = std::vector<std::uint8_t>;

constexpr int EFFECT = 3;
constexpr int MUSIC = 1;
// Sample level (of full scale) below which the output counts as silence.
constexpr double SILENCE = 0.01;

// The wave files lie beside the program, which is where the tests run.
Bytes ReadWave(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// What the driver wrote, one level (0..1, the louder channel) per frame.
struct Recording {
  int rate = 0;
  std::vector<double> level;

  double Seconds(std::size_t frames) const { return static_cast<double>(frames) / rate; }
  double Peak() const { return level.empty() ? 0 : *std::max_element(level.begin(), level.end()); }
  double Energy() const {
    double sum = 0;
    for (double v : level) sum += v * v;
    return sum;
  }
  std::size_t FirstSounding() const {
    return std::find_if(level.begin(), level.end(), [](double v) { return v > SILENCE; }) -
           level.begin();
  }
  std::size_t EndOfSound() const {
    return level.rend() -
           std::find_if(level.rbegin(), level.rend(), [](double v) { return v > SILENCE; });
  }
  double SoundingSpan() const {
    const std::size_t first = FirstSounding();
    return first >= level.size() ? 0 : Seconds(EndOfSound() - first);
  }
};

class SdlSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              ("korvel4-sound-" + std::to_string(::getpid()) + "-" + info->name());
    fs::create_directories(folder_);
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    // The driver pauses this many milliseconds per 23 ms block: the tests hear faster
    // than real time.
    ::setenv("SDL_DISKAUDIODELAY", "1", 1);
  }
  void TearDown() override {
    sound_.dsTerminate(context_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Opens the device with a fresh output file.
  Handle Open(const std::string& file) {
    output_ = folder_ / file;
    ::setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
    context_ = sound_.dsInitialize(0);
    if (context_ != 0) {
      Uint16 format = 0;
      Mix_QuerySpec(&rate_, &format, &channels_);
      EXPECT_EQ(format, AUDIO_S16SYS);
    }
    return context_;
  }

  Handle Load(const std::string& name, int flags = EFFECT) {
    const Bytes wave = ReadWave(name);
    EXPECT_FALSE(wave.empty()) << name << " is missing beside the program";
    return sound_.dsCreateDSB(context_, wave.data(), wave.size(), flags, name.c_str());
  }

  std::uintmax_t Written() const {
    std::error_code error;
    const auto size = fs::file_size(output_, error);
    return error ? 0 : size;
  }

  // Lets the device write at least about `seconds` more of its stream (the file lags
  // behind the stream by one stdio buffer).
  void Advance(double seconds) {
    const auto target = Written() + static_cast<std::uintmax_t>(seconds * rate_ * channels_ * 2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Written() < target) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the device stopped writing";
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  void WaitUntilQuiet() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Mix_Playing(-1) != 0) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "a sound never ended";
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Closes the device and reads back everything it wrote.
  Recording Close() {
    sound_.dsTerminate(context_);
    context_ = 0;
    std::ifstream in(output_, std::ios::binary);
    const Bytes raw(std::istreambuf_iterator<char>(in), {});
    Recording r;
    r.rate = rate_;
    const std::size_t frames = raw.size() / (2 * channels_);
    r.level.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
      double loudest = 0;
      for (int c = 0; c < channels_; ++c) {
        Sint16 v;
        std::memcpy(&v, raw.data() + (f * channels_ + c) * 2, 2);
        loudest = std::max(loudest, std::abs(v / 32768.0));
      }
      r.level[f] = loudest;
    }
    return r;
  }

  // One session: the place sound played `plays` times at once, heard to its end.
  Recording PlacedPieces(const std::string& file, int plays) {
    Open(file);
    const Handle place = Load("駒打音.wav");
    for (int i = 0; i < plays; ++i) sound_.dsPlay(place, "駒打音.wav");
    WaitUntilQuiet();
    Advance(0.05);
    return Close();
  }

  SdlSound sound_;
  Handle context_ = 0;
  fs::path folder_;
  fs::path output_;
  int rate_ = 0;
  int channels_ = 0;
};

TEST_F(SdlSoundTest, PlaceSoundIsHeardOnceAfterItsImageIsGone) {
  ASSERT_NE(Open("place.raw"), 0u);
  Bytes wave = ReadWave("駒打音.wav");
  const Handle place = sound_.dsCreateDSB(context_, wave.data(), wave.size(), EFFECT, "");
  ASSERT_NE(place, 0u);
  // The caller releases the image right after creating the buffer.
  std::fill(wave.begin(), wave.end(), 0x5A);
  wave = Bytes();

  sound_.dsPlay(place, "駒打音.wav");
  WaitUntilQuiet();
  Advance(0.05);
  const Recording r = Close();
  EXPECT_GT(r.Peak(), 0.5);
  // Heard once: not longer than the wave itself (0.15 s).
  EXPECT_GT(r.SoundingSpan(), 0.03);
  EXPECT_LT(r.SoundingSpan(), 0.16);
}

TEST_F(SdlSoundTest, OverlappingPlaysOfOneBufferAreMixed) {
  const Recording once = PlacedPieces("once.raw", 1);
  const Recording twice = PlacedPieces("twice.raw", 2);
  ASSERT_GT(once.Energy(), 0);
  // Two plays together carry at least nearly twice the energy, whether the mixer starts
  // them in the same block (four times, less clipping) or one block apart.
  EXPECT_GT(twice.Energy(), 1.6 * once.Energy());
}

TEST_F(SdlSoundTest, LoopingOutlastsTheWaveUntilStopped) {
  for (const int flags : {EFFECT, MUSIC}) {
    SCOPED_TRACE(flags);
    ASSERT_NE(Open("loop" + std::to_string(flags) + ".raw"), 0u);
    const Handle place = Load("駒打音.wav", flags);
    sound_.dsPlayLooping(place, "駒打音.wav");
    Advance(0.7);
    sound_.dsStop(place, "駒打音.wav");
    EXPECT_EQ(Mix_Playing(-1), 0);
    Advance(0.3);
    const Recording r = Close();
    // The 0.15 s wave went round several times, and nothing followed the stop.
    EXPECT_GT(r.SoundingSpan(), 0.45);
    EXPECT_LT(r.EndOfSound() + static_cast<std::size_t>(0.2 * r.rate), r.level.size());
  }
}

TEST_F(SdlSoundTest, StopEndsEveryPlayOfItsBufferOnly) {
  ASSERT_NE(Open("stop.raw"), 0u);
  const Handle music = Load("BGM.wav", MUSIC);
  const Handle place = Load("駒打音.wav");
  ASSERT_NE(music, 0u);
  ASSERT_NE(place, 0u);

  // Switching the music on twice keeps one tune.
  sound_.dsPlayLooping(music, "BGM.wav");
  sound_.dsPlayLooping(music, "BGM.wav");
  EXPECT_EQ(Mix_Playing(-1), 1);
  // More plays than the device first has channels for: all of them sound, and none
  // takes the music's channel.
  for (int i = 0; i < 40; ++i) sound_.dsPlayLooping(place, "駒打音.wav");
  EXPECT_EQ(Mix_Playing(-1), 41);

  sound_.dsStop(place, "駒打音.wav");
  EXPECT_EQ(Mix_Playing(-1), 1);
  sound_.dsFree(music);
  EXPECT_EQ(Mix_Playing(-1), 0);
  sound_.dsPlayLooping(music, "BGM.wav");  // freed: nothing
  sound_.dsPlay(place, "駒打音.wav");      // still there
  EXPECT_EQ(Mix_Playing(-1), 1);
}

TEST_F(SdlSoundTest, HandleZeroAndStaleHandlesAreHarmless) {
  const Bytes wave = ReadWave("駒打音.wav");
  auto everyCall = [&](Handle h) {
    EXPECT_EQ(sound_.dsCreateDSB(h, wave.data(), wave.size(), EFFECT, ""), 0u);
    sound_.dsPlay(h, "");
    sound_.dsPlayLooping(h, "");
    sound_.dsStop(h, "");
    sound_.dsFree(h);
    sound_.dsTerminate(h);
  };
  everyCall(0);  // before the device is open

  const Handle first = Open("stale.raw");
  ASSERT_NE(first, 0u);
  everyCall(0);
  // The device is still open after dsTerminate(0).
  const Handle place = Load("駒打音.wav");
  ASSERT_NE(place, 0u);
  sound_.dsFree(place);
  sound_.dsPlayLooping(place, "");
  sound_.dsFree(place);
  EXPECT_EQ(Mix_Playing(-1), 0);

  // Handles of an earlier session stay dead after the device is opened again.
  const Handle old = Load("駒打音.wav");
  Close();
  ASSERT_NE(Open("again.raw"), 0u);
  EXPECT_NE(context_, first);
  EXPECT_EQ(sound_.dsCreateDSB(first, wave.data(), wave.size(), EFFECT, ""), 0u);
  const Handle fresh = Load("駒打音.wav");
  EXPECT_NE(fresh, old);
  sound_.dsPlayLooping(old, "");
  EXPECT_EQ(Mix_Playing(-1), 0);
  sound_.dsTerminate(first);
  EXPECT_NE(Load("駒打音.wav"), 0u);
}

TEST_F(SdlSoundTest, DamagedOrForeignImagesGiveNoBuffer) {
  ASSERT_NE(Open("damaged.raw"), 0u);
  const Bytes wave = ReadWave("駒打音.wav");
  ASSERT_GT(wave.size(), 100u);
  auto cut = [&](std::size_t n) { return Bytes(wave.begin(), wave.begin() + n); };
  Bytes notWave = wave;
  std::copy_n("AVI ", 4, notWave.begin() + 8);
  Bytes noFormat = {'R', 'I', 'F', 'F', 12, 0, 0, 0, 'W', 'A', 'V', 'E',
                    'd', 'a', 't', 'a', 4,  0, 0, 0, 1,   2,   3,   4};
  noFormat[4] = static_cast<std::uint8_t>(noFormat.size() - 8);
  const std::string text = "this is not a wave file at all";

  struct Case {
    const char* what;
    Bytes image;
  };
  const Case cases[] = {
      {"empty", {}},
      {"header only", cut(44)},
      {"cut in the samples", cut(wave.size() / 2)},
      {"one byte short", cut(wave.size() - 1)},
      {"RIFF of another form", notWave},
      {"no format chunk", noFormat},
      {"text", Bytes(text.begin(), text.end())},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sound_.dsCreateDSB(context_, c.image.data(), c.image.size(), EFFECT, ""), 0u)
        << c.what;
  }
  EXPECT_EQ(sound_.dsCreateDSB(context_, nullptr, 100, EFFECT, ""), 0u);
  EXPECT_NE(sound_.dsCreateDSB(context_, wave.data(), wave.size(), EFFECT, ""), 0u);
}

TEST_F(SdlSoundTest, UnusableDriverMeansNoSoundAndLeavesNothingOpen) {
  ::setenv("SDL_AUDIODRIVER", "nonexistent", 1);
  EXPECT_EQ(Open("none.raw"), 0u);
  sound_.dsPlay(0, "");
  sound_.dsTerminate(0);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);

  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  EXPECT_NE(Open("some.raw"), 0u);
}

TEST_F(SdlSoundTest, EveryWaveBesideTheProgramDecodes) {
  ASSERT_NE(Open("all.raw"), 0u);
  std::vector<Handle> handles;
  for (const char* name : {"その他.wav", "禁止.wav", "駒打音.wav", "終局.wav"}) {
    handles.push_back(Load(name, EFFECT));
  }
  handles.push_back(Load("BGM.wav", MUSIC));
  for (Handle h : handles) EXPECT_NE(h, 0u);
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(std::unique(handles.begin(), handles.end()), handles.end());
}

}  // namespace
}  // namespace korvel
