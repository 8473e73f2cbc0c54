// Keyboard play: the cursor's steps over the board and the hands, and a keyboard press that
// is the mouse's press on the same cell (a move, a promotion, a pick dropped).
#include <gtest/gtest.h>

#include "../game/positions.h"
#include "play/key_cursor.h"
#include "support/fake_ports.h"
#include "view/canvas.h"

namespace korvel {
namespace {

using testing::MemoryRig;

bool Same(Square a, Square b) { return a.x == b.x && a.y == b.y; }

TEST(KeyCursor, StepsOverTheBoardAndIntoTheHands) {
  struct Case {
    Square from;
    int dx, dy;
    Square to;
  };
  const Case cases[] = {
      {{5, 5}, 0, -1, {5, 4}},   {{5, 1}, 0, -1, {5, 1}},    // the board's top edge holds
      {{5, 9}, 0, 1, {5, 9}},    {{1, 3}, -1, 0, {-1, 3}},   // past the edge: the hand cell
      {{-1, 3}, 1, 0, {1, 3}},   {{9, 7}, 1, 0, {11, 7}},    // and back; the right hands
      {{11, 7}, -1, 0, {9, 7}},  {{11, 7}, 1, 0, {11, 7}},   // nothing beyond a hand
      {{-1, 4}, 0, 1, {-1, 6}},  {{11, 6}, 0, -1, {11, 4}},  // a hand column skips row 5
      {{-1, 1}, 0, -1, {-1, 1}}, {{11, 9}, 0, 1, {11, 9}},   // its ends hold
      {{1, 5}, -1, 0, {1, 5}},   {{9, 5}, 1, 0, {9, 5}},     // no hand beside row 5
  };
  for (const Case& c : cases) {
    const Square got = CursorStep(c.from, c.dx, c.dy);
    EXPECT_TRUE(Same(got, c.to)) << c.from.x << "," << c.from.y << " +" << c.dx << "," << c.dy
                                 << " -> " << got.x << "," << got.y;
  }
  // Every cell the cursor reaches is a board square or a hand cell, and all of them are
  // reached from the centre.
  int cells = 0;
  for (int x = -1; x <= 11; ++x)
    for (int y = 0; y <= 10; ++y) cells += CursorCell(x, y);
  EXPECT_EQ(cells, 81 + 16);
}

TEST(KeyCursor, TheKeysAreLettersEnterAndNoShortcut) {
  for (int c : {'w', 'i'}) EXPECT_EQ(CursorKeyOf(c), CursorKey::UP) << char(c);
  for (int c : {'s', 'k'}) EXPECT_EQ(CursorKeyOf(c), CursorKey::DOWN) << char(c);
  for (int c : {'a', 'j'}) EXPECT_EQ(CursorKeyOf(c), CursorKey::LEFT) << char(c);
  for (int c : {'d', 'l'}) EXPECT_EQ(CursorKeyOf(c), CursorKey::RIGHT) << char(c);
  for (int c : {'W', 'A', 'S', 'D', 'P'}) EXPECT_EQ(CursorKeyOf(c), CursorKey::NONE) << char(c);
  EXPECT_EQ(CursorKeyOf('\r'), CursorKey::PRESS);
  EXPECT_EQ(CursorKeyOf('p'), CursorKey::PRESS_PROMOTING);
  // Esc and Space belong to the menus (終わり, 今すぐ指す).
  EXPECT_EQ(CursorKeyOf(27), CursorKey::NONE);
  EXPECT_EQ(CursorKeyOf(' '), CursorKey::NONE);
}

void Click(Form1& f, int c, int r, MouseButton b = MouseButton::LEFT) {
  f.Form_MouseDown(b, 0, CellX(c) + 352, CellY(r) + 352);
}

// Keys that bring the cursor from where it stands to (c, r) over the board.
void KeysTo(Form1& f, int c, int r) {
  while (f.KeyCursor().x < c) f.Form_KeyPress('d');
  while (f.KeyCursor().x > c) f.Form_KeyPress('a');
  while (f.KeyCursor().y < r) f.Form_KeyPress('s');
  while (f.KeyCursor().y > r) f.Form_KeyPress('w');
}

// SITA's pawn one step from its last line; the kings elsewhere.
constexpr const char* kPawnNearEnd = R"(
 .  .  .  .  .  . 35  .  .
 .  . 11  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  .  .  .  . 45
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  . 15  .  .  .  .)";

struct Outcome {
  std::vector<std::string> dialogs, sounds;
  size_t turns;
  PieceCode placed;
};
Outcome Of(MemoryRig& rig) {
  const auto& t = rig.form.TheGame().Turns();
  return {rig.dialogs.shown, rig.sound.calls, t.size(), t.empty() ? EMPTY : t.back().move.placed};
}

// The same moves made by the mouse and by the keys: the same game, boxes and sounds; the
// pawn's last step refused by Enter as by the left button, and promoted by P as by the right.
TEST(KeyCursor, AKeyboardMoveIsTheMouseMove) {
  MemoryRig mouse, keys;
  for (MemoryRig* rig : {&mouse, &keys}) {
    rig->form.Form_Load();
    rig->form.PLAY_4_Click();
    rig->form.SetBoard(testing::FromGrid(kPawnNearEnd).Board);
    rig->dialogs.shown.clear();
    rig->sound.calls.clear();
  }
  EXPECT_FALSE(keys.form.KeyCursorShown());
  Click(mouse.form, 3, 2);
  Click(mouse.form, 3, 1);
  Click(mouse.form, 3, 1, MouseButton::RIGHT);
  KeysTo(keys.form, 3, 2);
  EXPECT_TRUE(keys.form.KeyCursorShown());
  keys.form.Form_KeyPress('\r');
  keys.form.Form_KeyPress('w');
  keys.form.Form_KeyPress('\r');
  keys.form.Form_KeyPress('p');
  const Outcome m = Of(mouse), k = Of(keys);
  EXPECT_EQ(k.dialogs, m.dialogs);
  EXPECT_EQ(k.sounds, m.sounds);
  ASSERT_EQ(k.turns, 1u);
  EXPECT_EQ(m.turns, 1u);
  EXPECT_EQ(k.placed, m.placed);
  EXPECT_EQ(k.placed, Code(SITA, HU, true));
  EXPECT_FALSE(mouse.form.KeyCursorShown()) << "the mouse alone never shows the cursor";

  // A drop from the hand, reached past the board's right edge.
  const int pawn[4] = {1, 0, 0, 0};
  for (MemoryRig* rig : {&mouse, &keys}) {
    rig->form.SetSeatToMove(SITA);
    rig->form.SetHand(SITA, pawn);
  }
  Click(mouse.form, 11, 6);
  Click(mouse.form, 5, 5);
  KeysTo(keys.form, 9, 6);
  keys.form.Form_KeyPress('d');
  EXPECT_TRUE(Same(keys.form.KeyCursor(), {11, 6}));
  keys.form.Form_KeyPress('\r');
  KeysTo(keys.form, 5, 5);
  keys.form.Form_KeyPress('\r');
  EXPECT_EQ(Of(keys).dialogs, Of(mouse).dialogs);
  ASSERT_EQ(Of(keys).turns, 2u);
  EXPECT_EQ(Of(mouse).turns, 2u);
  EXPECT_TRUE(keys.form.TheGame().Turns().back().move.IsDrop());
}

// Enter presses only once the cursor was moved; on the picked piece it drops the pick, as
// the window's press on it does; Esc still ends the program.
TEST(KeyCursor, EnterOnThePickedPieceDropsItAndEscStillQuits) {
  MemoryRig rig;
  rig.form.Form_Load();
  // Enter and P before the cursor was moved press nothing and show nothing (a press before
  // a game would be told to start one from the menu).
  rig.dialogs.shown.clear();
  rig.form.Form_KeyPress('\r');
  rig.form.Form_KeyPress('p');
  rig.form.Form_KeyPress('A');
  rig.form.Form_KeyPress('\r');
  EXPECT_FALSE(rig.form.KeyCursorShown());
  EXPECT_TRUE(rig.dialogs.shown.empty());
  rig.form.PLAY_4_Click();
  KeysTo(rig.form, 5, 7);
  rig.form.Form_KeyPress('\r');
  EXPECT_EQ(rig.form.Looks().pieceSelected, 1);
  rig.form.Form_KeyPress('\r');
  EXPECT_EQ(rig.form.Looks().pieceSelected, 0);
  rig.form.Form_KeyPress(27);
  EXPECT_TRUE(rig.form.Ended());
}

}  // namespace
}  // namespace korvel
