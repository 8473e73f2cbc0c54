// The option entries, help and about, and the ways the program ends.
#include "play/form1.h"
#include "view/board_drawing.h"

namespace korvel {

void Form1::SetGuidance(bool on) {
  Checks.SIDOU = on;
  GuidanceOn = on ? 1 : 0;
  GuidanceColour = on ? COLOUR_WHITE : COLOUR_GREEN;
}

void Form1::SIDOU_Click() {
  if (Ended) return;
  if (Checks.SIDOU) {
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
  if (Ended) return;
  if (Checks.AICON) {
    Checks.AICON = false;
    icons_.SetVisible(TurnIcon::MAN, false);
    icons_.SetVisible(TurnIcon::COM, false);
    IconShown = false;
  } else {
    Checks.AICON = true;
    ShowTurnIcon(State.CurrentSeat);
  }
  SaveSettings();
}

void Form1::BackgroundClick(int code) {
  if (Ended) return;
  const bool checked = (code == 2 && Checks.MIDORI) || (code == 3 && Checks.TATAMI) ||
                       (code == 4 && Checks.TAKE) || (code == 5 && Checks.UCHU) ||
                       (code == 6 && Checks.RENGA);
  if (!checked) {
    CheckBackgroundMenu(code);
    CurrentBackground = PieceCode(code);
  }
  SaveSettings();
  RedrawAll();
}

void Form1::BGM_Click() {
  if (Ended) return;
  if (Checks.BGM) {
    Checks.BGM = false;
    sound_.dsStop(SndBgm, "BGM.wav");
  } else {
    Checks.BGM = true;
    sound_.dsPlayLooping(SndBgm, "BGM.wav");
  }
  SaveSettings();
}

void Form1::OWARI_Click() {
  if (!Ended) EndProgram();
}

void Form1::Form_KeyPress(int keyCode) {
  if (!Ended && keyCode == 27) EndProgram();
}

void Form1::Form_Unload() {
  if (!Ended) EndProgram();
}

void Form1::KAISETU_Click() {
  if (Ended) return;
  host_.OpenPage(HelpPage);
}

void Form1::VER_Click() {
  if (Ended) return;
  sound_.dsPlay(SndOther, "その他.wav");
  if (host_.ShowAbout() == AboutChoice::HOME_PAGE) Command1_Click();
  else Command2_Click();
}

// The program has no web site of its own: its home page is the help page beside it.
void Form1::Command1_Click() { host_.OpenPage(HelpPage); }

}  // namespace korvel
