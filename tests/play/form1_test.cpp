// What a person sees and hears that the runner's lines do not show: frames, captions, the
// sound calls behind a silent game.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/fake_ports.h"
#include "support/turns.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FormRig;
using testing::RecordingCanvas;

// Each test runs in a fresh folder, so the settings file and the wave files are its own.
class Form1Test : public testing::InFreshFolder {
 protected:
  static bool Framed(const RecordingCanvas& c, size_t from, int colour, int x, int y) {
    for (size_t i = from; i < c.ops.size(); ++i) {
      const auto& op = c.ops[i];
      if (op.kind == 'F' && op.colour == colour && op.x == CellX(x) && op.y == CellY(y))
        return true;
    }
    return false;
  }
};

TEST_F(Form1Test, PickingShowsGuidanceAndTheRedFrame) {
  FormRig rig;
  rig.form.Form_Load();  // guidance is on by default
  rig.form.PLAY_4_Click();
  const size_t mark = rig.canvas.ops.size();
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(5) + 300, CellY(7) + 300);
  EXPECT_EQ(rig.form.Looks().pieceSelected, 1);
  EXPECT_TRUE(Framed(rig.canvas, mark, COLOUR_WHITE, 5, 6));
  EXPECT_FALSE(Framed(rig.canvas, mark, COLOUR_WHITE, 5, 5));
  EXPECT_TRUE(Framed(rig.canvas, mark, COLOUR_LIGHT_RED, 5, 7));

  // With guidance off the marks are drawn in the board's own green: invisible.
  rig.form.SIDOU_Click();
  const size_t off = rig.canvas.ops.size();
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(4) + 300, CellY(8) + 300);
  EXPECT_FALSE(Framed(rig.canvas, off, COLOUR_WHITE, 4, 7));
  EXPECT_TRUE(Framed(rig.canvas, off, COLOUR_LIGHT_RED, 4, 8));
}

TEST_F(Form1Test, GuidanceOffClearsTheHandColumns) {
  FormRig rig;
  rig.form.Form_Load();
  const size_t mark = rig.canvas.ops.size();
  rig.form.SIDOU_Click();
  for (int k = 1; k <= 7; ++k) {
    EXPECT_TRUE(Framed(rig.canvas, mark, COLOUR_GREEN, -1, k)) << k;
    EXPECT_TRUE(Framed(rig.canvas, mark, COLOUR_GREEN, 11, k + 2)) << k;
  }
  EXPECT_FALSE(Framed(rig.canvas, mark, COLOUR_GREEN, -1, 8));
  EXPECT_FALSE(Framed(rig.canvas, mark, COLOUR_GREEN, 11, 2));
}

TEST_F(Form1Test, ComputerShowsThinkingThenItsMove) {
  FormRig rig;
  rig.form.Form_Load();
  const size_t mark = rig.canvas.ops.size();
  rig.form.JYUNBAN_2_Click();  // SITA, a computer, moves first
  auto text = [&](const std::string& t) {
    return std::find_if(rig.canvas.ops.begin() + static_cast<long>(mark), rig.canvas.ops.end(),
                        [&](const auto& op) { return op.kind == 'T' && op.text == t; });
  };
  const auto thinking = text("思考中");
  const auto level = text("LEVEL");
  ASSERT_NE(thinking, rig.canvas.ops.end());
  ASSERT_NE(level, rig.canvas.ops.end());
  EXPECT_LT(thinking, level);
  EXPECT_EQ(rig.form.TheGame().MoveNumber(), 1);
  EXPECT_EQ(NthMove(rig.form.TheGame(), 1).mover, SITA);
  EXPECT_EQ(rig.form.State().CurrentSeat, HIDARI);
}

TEST_F(Form1Test, SilentGameStillMakesEverySoundCall) {
  FormRig rig;
  rig.sound.context = 0;  // no device
  rig.form.Form_Load();
  ASSERT_EQ(rig.dialogs.shown.size(), 1u);
  EXPECT_EQ(rig.dialogs.shown[0],
            "warning Korvel4人将棋.dll|音の装置を開けませんでした。音なしで続けます。");
  rig.form.PLAY_4_Click();
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(5) + 300, CellY(3) + 300);  // not SITA's
  EXPECT_EQ(rig.sound.calls.back(), "play 禁止.wav");
  rig.form.Form_KeyPress(27);
  EXPECT_TRUE(rig.form.Ended());
  EXPECT_EQ(rig.host.events.back(), "exit");
}

TEST_F(Form1Test, WaveFilesAreLoadedOnlyWhenTheyCanBeRead) {
  std::ofstream("駒打音.wav", std::ios::binary) << "RIFF....WAVE";
  std::ofstream("終局.wav", std::ios::binary);  // empty: a warning, no buffer
  fs::create_directory("BGM.wav");               // not a file: silently no sound
  FormRig rig;
  rig.form.Form_Load();
  EXPECT_EQ(rig.sound.calls[0], "create 駒打音.wav");
  EXPECT_NE(rig.form.SoundHandles().place, 0u);
  EXPECT_EQ(rig.form.SoundHandles().end, 0u);
  EXPECT_EQ(rig.form.SoundHandles().bgm, 0u);
  EXPECT_EQ(rig.form.SoundHandles().other, 0u);
  ASSERT_EQ(rig.dialogs.shown.size(), 1u);
  EXPECT_EQ(rig.dialogs.shown[0].rfind("warning Korvel4人将棋.dll|", 0), 0u);
}

TEST_F(Form1Test, DamagedWaveFileGivesOneWarningAndSilence) {
  std::ofstream("禁止.wav", std::ios::binary) << "RIFF";
  FormRig rig;
  rig.sound.refuseImages = true;
  rig.form.Form_Load();
  EXPECT_EQ(rig.form.SoundHandles().forbidden, 0u);
  ASSERT_EQ(rig.dialogs.shown.size(), 1u);
  EXPECT_EQ(rig.dialogs.shown[0],
            "warning Korvel4人将棋.dll|「禁止.wav」は正しいウェーブ ファイルではありません。");
}

}  // namespace
}  // namespace korvel
