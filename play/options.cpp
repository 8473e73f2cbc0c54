// The option entries, help and about, and the ways the program ends.
#include "play/form1.h"
#include "play/key_cursor.h"
#include "view/board_drawing.h"

namespace korvel {

void Form1::SetGuidance(bool on) {
  options_.SIDOU = on;
  guidanceOn_ = on ? 1 : 0;
  guidanceColour_ = on ? COLOUR_WHITE : COLOUR_GREEN;
}

void Form1::SIDOU_Click() {
  if (ended_) return;
  if (options_.SIDOU) {
    ClearGuidance();
    for (int k = 1; k <= 7; ++k) {
      FrameCell(canvas_, COLOUR_GREEN, -1, k);
      FrameCell(canvas_, COLOUR_GREEN, 11, k + 2);
    }
    SetGuidance(false);
  } else {
    SetGuidance(true);
  }
  SaveSettings();
}

void Form1::AICON_Click() {
  if (ended_) return;
  if (options_.AICON) {
    options_.AICON = false;
    icons_.SetVisible(TurnIcon::MAN, false);
    icons_.SetVisible(TurnIcon::COM, false);
    iconShown_ = false;
  } else {
    options_.AICON = true;
    ShowTurnIcon(game_.State().CurrentSeat);
  }
  SaveSettings();
}

void Form1::BackgroundClick(int code) {
  if (ended_) return;
  const bool checked = (code == 2 && options_.MIDORI) || (code == 3 && options_.TATAMI) ||
                       (code == 4 && options_.TAKE) || (code == 5 && options_.UCHU) ||
                       (code == 6 && options_.RENGA);
  if (!checked) {
    options_.MarkBackground(code);
    currentBackground_ = PieceCode(code);
  }
  SaveSettings();
  RedrawAll();
}

void Form1::BGM_Click() {
  if (ended_) return;
  if (options_.BGM) {
    options_.BGM = false;
    sound_.dsStop(sndBgm_, "BGM.wav");
  } else {
    options_.BGM = true;
    sound_.dsPlayLooping(sndBgm_, "BGM.wav");
  }
  SaveSettings();
}

// The options kept in the options file: the window reads them after each handler.
void Form1::OSHIRASE_Click() {
  if (ended_) return;
  options_.OSHIRASE = !options_.OSHIRASE;
  SaveOptionsFile();
}

void Form1::IROWAKE_Click() {
  if (ended_) return;
  options_.IROWAKE = !options_.IROWAKE;
  SaveOptionsFile();
}

// 言語: every word shown from now on is in the language chosen; the board's own words are
// drawn again. Choosing the language already shown changes nothing.
void Form1::LanguageClick(Language language) {
  if (ended_) return;
  const bool english = language == Language::ENGLISH;
  if (english == options_.LANG_EN && CurrentLanguage() == language) return;
  options_.LANG_EN = english;
  options_.LANG_JA = !english;
  options_.languageKept = true;
  SetLanguage(language);
  SaveOptionsFile();
  RedrawAll();
  if (game_.State().GameStarted) ShowMoveNumber(canvas_, game_.MoveNumber(), WordsOfBoard());
  canvas_.Flush();
}

void Form1::OWARI_Click() {
  if (!ended_) EndProgram();
}

void Form1::Form_KeyPress(int keyCode) {
  if (ended_) return;
  if (keyCode == 27) {
    EndProgram();
    return;
  }
  const CursorKey key = CursorKeyOf(keyCode);
  if (key == CursorKey::NONE) return;
  // Nothing to press before a moving key has shown the cursor.
  if ((key == CursorKey::PRESS || key == CursorKey::PRESS_PROMOTING) && !cursorShown_) return;
  cursorShown_ = true;
  switch (key) {
    case CursorKey::UP: cursor_ = CursorStep(cursor_, 0, -1); return;
    case CursorKey::DOWN: cursor_ = CursorStep(cursor_, 0, 1); return;
    case CursorKey::LEFT: cursor_ = CursorStep(cursor_, -1, 0); return;
    case CursorKey::RIGHT: cursor_ = CursorStep(cursor_, 1, 0); return;
    case CursorKey::PRESS:
    case CursorKey::PRESS_PROMOTING: {
      // The press at the cell's centre, as the runner's `click` makes it: the one press entry.
      const double x = CellX(cursor_.x) + 352, y = CellY(cursor_.y) + 352;
      if (Unpick(x, y)) return;
      Form_MouseDown(key == CursorKey::PRESS ? MouseButton::LEFT : MouseButton::RIGHT, 0, x, y);
      return;
    }
    case CursorKey::NONE: return;
  }
}

void Form1::Form_Unload() {
  if (!ended_) EndProgram();
}

void Form1::KAISETU_Click() {
  if (ended_) return;
  Command1_Click();
}

void Form1::VER_Click() {
  if (ended_) return;
  sound_.dsPlay(sndOther_, "その他.wav");
  if (host_.ShowAbout() == AboutChoice::HOME_PAGE) Command1_Click();
  else Command2_Click();
}

// The program has no web site of its own: its home page is the help page beside it.
void Form1::Command1_Click() {
  host_.OpenPage(CurrentLanguage() == Language::ENGLISH ? helpPageEn_ : helpPage_);
}

}  // namespace korvel
