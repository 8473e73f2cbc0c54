// The network game shown: the copy of the game an authority holds (play/authority.h),
// turned so that this window's seat is at the bottom, with the person's presses sent to the
// authority as intentions. The window's own game is left as it stands meanwhile.
#include "play/form1.h"

#include <utility>

#include "view/board_drawing.h"
#include "view/view_turn.h"

namespace korvel {

namespace {

// Where a seat's army stands on screen in a view turned `quarters` times: the screen seat
// its king's starting square is shown at.
int ScreenSeatOf(int seat, int quarters) {
  static constexpr Square kings[] = {{0, 0}, {5, 9}, {1, 5}, {5, 1}, {9, 5}};
  const Square at = ScreenCellOf(kings[seat].x, kings[seat].y, quarters);
  for (int s = 1; s <= 4; ++s)
    if (kings[s].x == at.x && kings[s].y == at.y) return s;
  return seat;
}

}  // namespace

void Form1::PresentNetworkGame(std::weak_ptr<Authority> authority) {
  authority_ = std::move(authority);
  networkPress_.Clear();
}

int Form1::ViewQuarters() const {
  const std::shared_ptr<Authority> authority = authority_.lock();
  return authority && authority->OwnSeat() >= 1 ? QuarterTurnsFor(authority->OwnSeat()) : 0;
}

const SeatController* Form1::PlayerOf(int seat) const {
  const std::shared_ptr<Authority> authority = authority_.lock();
  if (!authority) return game_.Controller(seat);
  if (seat < 1 || seat > 4) return nullptr;
  if (seat == authority->OwnSeat()) return ControllerOf(HUMAN);
  return RemoteControllerOf(authority->Position().PlayerKind[seat]);
}

void Form1::RedrawNetworkGame() {
  const std::shared_ptr<Authority> authority = authority_.lock();
  if (!authority) return;
  const int quarters = ViewQuarters();
  korvel::RedrawAll(canvas_, TurnedForView(authority->Position(), quarters), currentBackground_,
                    quarters);
  if (networkPress_.Picked()) {
    const Square at = ScreenCellOf(networkPress_.From().x, networkPress_.From().y, quarters);
    FrameCell(canvas_, COLOUR_LIGHT_RED, at.x, at.y);
  }
}

// A press on the network game: the player of this window's seat picks and names the move
// (nothing is judged here), and the authority is told the move once it is complete.
void Form1::NetworkPress(Authority& authority, MouseButton button, double x, double y) {
  if (!authority.TakesMoves()) return;
  const int seat = authority.OwnSeat();
  const SeatController* player = PlayerOf(seat);
  if (!player || !player->TakesPresses()) return;
  std::optional<Move> m;
  if (!networkPress_.PressAt(authority.Position(), seat, x, y, ViewQuarters(),
                             button == MouseButton::RIGHT, &m))
    return;
  if (m) authority.Send(*m);
  RedrawNetworkGame();
}

std::vector<Form1::NameLabel> Form1::NetworkNameLabels() const {
  std::vector<NameLabel> labels;
  const std::shared_ptr<Authority> authority = authority_.lock();
  if (!authority) return labels;
  struct Place {
    int screenSeat;
    double x, y;  // cells
  };
  // The bottom name's baseline sits low enough that its letters clear the bottom row.
  static constexpr Place PLACES[] = {
      {SITA, 2.0, 10.35}, {UE, 2.0, -0.05}, {HIDARI, -1.0, 4.98}, {MIGI, 11.0, 4.98}};
  const GameState& s = authority->Position();
  const bool playing = authority->TakesMoves();
  for (int seat = 1; seat <= 4; ++seat) {
    const int at = ScreenSeatOf(seat, ViewQuarters());
    for (const Place& pl : PLACES)
      if (pl.screenSeat == at)
        labels.push_back({seat, authority->SeatName(seat), pl.x, pl.y,
                          seat == authority->OwnSeat(), playing && s.CurrentSeat == seat,
                          seat != authority->OwnSeat() && authority->Missing(seat)});
  }
  return labels;
}

std::vector<Form1::ClockLabel> Form1::ClockLabels() const {
  std::vector<ClockLabel> labels;
  const std::shared_ptr<Authority> authority = authority_.lock();
  const SeatClocks* clocks = authority ? authority->Clocks() : Clocks();
  if (!clocks) return labels;
  // Beside each army, clear of its name, its hand and its last move's text: under the board
  // and over it right of the middle, and in the margins left and right of the hands.
  struct Place {
    int screenSeat;
    double x, y;  // cells: the baseline's left end
  };
  static constexpr Place PLACES[] = {
      {SITA, 6.6, 10.35}, {UE, 6.6, -0.05}, {HIDARI, -1.95, 6.45}, {MIGI, 12.05, 4.6}};
  const std::int64_t now = host_.NowMs();
  for (int seat = 1; seat <= 4; ++seat) {
    if (!clocks->Control().seat[seat].Limited()) continue;
    const SeatClocks::Left left = clocks->LeftAt(seat, now);
    const bool byoyomi = left.mainMs <= 0 && clocks->Control().seat[seat].byoyomiMs > 0;
    const std::string text =
        byoyomi ? Fill(TextId::CLOCK_BYOYOMI, {std::to_string((left.byoyomiMs + 999) / 1000)})
                : ClockText(left.mainMs);
    const int at = ScreenSeatOf(seat, ViewQuarters());
    for (const Place& pl : PLACES)
      if (pl.screenSeat == at)
        labels.push_back({seat, text, pl.x, pl.y, clocks->Running() == seat && !clocks->Paused(),
                          byoyomi});
  }
  return labels;
}

}  // namespace korvel
