// The game clock: each seat's 持ち時間 (main time) and 秒読み (the time every move may take
// once the main time is spent). Pure: it is told the time (milliseconds of a monotonic clock
// that only goes forward) at every step and keeps no clock of its own, so the window, the
// network authority, the runner and the tests drive the same model with the time source
// they have (a test's is a number it moves by hand).
//
// The clock of the seat to move runs from the moment the turn reaches it until its move (or
// pass) is played: whoever plays it, the computer's pause and search included. A turn that
// ends within the main time spends it; once the main time is spent, each turn has the
// 秒読み afresh, and a seat whose turn outlasts both has run out of time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace korvel {

// One seat's time control, in milliseconds. No time at all (both 0) means no clock.
struct TimeControl {
  std::int64_t mainMs = 0;
  std::int64_t byoyomiMs = 0;
  bool operator==(const TimeControl&) const = default;
  bool Limited() const { return mainMs > 0 || byoyomiMs > 0; }
};

// A game's time control: one per seat (index 1..4; 0 unused). Off when no seat has a limit.
struct GameTimeControl {
  std::array<TimeControl, 5> seat{};
  bool operator==(const GameTimeControl&) const = default;
  bool On() const {
    for (int s = 1; s <= 4; ++s)
      if (seat[s].Limited()) return true;
    return false;
  }
  // The same control for every seat.
  static GameTimeControl Every(TimeControl c) {
    GameTimeControl g;
    for (int s = 1; s <= 4; ++s) g.seat[s] = c;
    return g;
  }
};

// The time limits the choices may take: 持ち時間 up to 10 hours, 秒読み up to an hour.
inline constexpr std::int64_t MAX_MAIN_MS = 10LL * 3600 * 1000;
inline constexpr std::int64_t MAX_BYOYOMI_MS = 3600LL * 1000;

class SeatClocks {
 public:
  explicit SeatClocks(const GameTimeControl& control);

  const GameTimeControl& Control() const { return control_; }
  // The seat whose clock runs (or stands paused), NO_SEAT (-1) for none.
  int Running() const { return running_; }
  bool Paused() const { return paused_; }

  // The turn reaches `seat` at `now`: the seat that was running (if any) has played, its
  // time is charged (its 秒読み comes afresh next turn), and `seat` runs from `now`. A seat
  // outside 1..4, or one without a limit, runs nobody's clock.
  void TurnTo(int seat, std::int64_t now);
  // The game ends (or stands at an earlier move) at `now`: the running seat's time is
  // charged and no clock runs until the next TurnTo. A seat stopped with its time run out
  // has nothing left from then on.
  void Stop(std::int64_t now);
  // The running clock stands still from `now` (a question that is no part of the turn, the
  // end of the program) and goes on from where it stood at Resume; the turn is not over.
  void Pause(std::int64_t now);
  void Resume(std::int64_t now);

  // What a seat has left at `now`: the main time, and the 秒読み of the turn (less what the
  // running turn has spent of it).
  struct Left {
    std::int64_t mainMs = 0;
    std::int64_t byoyomiMs = 0;
  };
  Left LeftAt(int seat, std::int64_t now) const;
  // The running seat when its time has run out by `now`; NO_SEAT (-1) otherwise.
  int OutOfTime(std::int64_t now) const;
  // When the running clock runs out, if it runs (for a timer).
  std::optional<std::int64_t> Deadline() const;

  // A copy that follows another clock (a network game's authority): the seat's main time
  // and the 秒読み left of its turn as announced, the running seat counted from `now`.
  void Follow(int seat, Left left);

 private:
  std::int64_t Spent(std::int64_t now) const;

  GameTimeControl control_;
  std::array<std::int64_t, 5> mainLeft_{};
  std::array<bool, 5> flagged_{};  // stopped with its time run out: it shows none left
  int running_ = -1;
  bool paused_ = false;
  std::int64_t since_ = 0;      // when the running span began
  std::int64_t turnSpent_ = 0;  // what the running turn spent before the running span
};

// A time as a clock shows it: "9:58" (minutes and seconds, rounded up to the second), "1:02:03"
// past an hour.
std::string ClockText(std::int64_t ms);

}  // namespace korvel
