#include "play/clock.h"

#include <algorithm>
#include <cstdio>

namespace korvel {

namespace {
constexpr int NONE = -1;
bool IsSeat(int seat) { return seat >= 1 && seat <= 4; }
}  // namespace

SeatClocks::SeatClocks(const GameTimeControl& control) : control_(control) {
  for (int s = 1; s <= 4; ++s) mainLeft_[s] = std::max<std::int64_t>(0, control.seat[s].mainMs);
}

std::int64_t SeatClocks::Spent(std::int64_t now) const {
  if (running_ == NONE) return 0;
  return turnSpent_ + (paused_ ? 0 : std::max<std::int64_t>(0, now - since_));
}

void SeatClocks::Stop(std::int64_t now) {
  if (running_ != NONE && OutOfTime(now) == running_) flagged_[running_] = true;
  if (running_ != NONE) mainLeft_[running_] = std::max<std::int64_t>(0, mainLeft_[running_] - Spent(now));
  running_ = NONE;
  paused_ = false;
  turnSpent_ = 0;
}

void SeatClocks::TurnTo(int seat, std::int64_t now) {
  Stop(now);
  if (!IsSeat(seat) || !control_.seat[seat].Limited()) return;
  running_ = seat;
  since_ = now;
}

void SeatClocks::Pause(std::int64_t now) {
  if (running_ == NONE || paused_) return;
  turnSpent_ = Spent(now);
  paused_ = true;
}

void SeatClocks::Resume(std::int64_t now) {
  if (running_ == NONE || !paused_) return;
  paused_ = false;
  since_ = now;
}

SeatClocks::Left SeatClocks::LeftAt(int seat, std::int64_t now) const {
  Left l;
  if (!IsSeat(seat) || flagged_[seat]) return l;
  const std::int64_t byoyomi = control_.seat[seat].byoyomiMs;
  const std::int64_t spent = seat == running_ ? Spent(now) : 0;
  const std::int64_t main = mainLeft_[seat];
  l.mainMs = std::max<std::int64_t>(0, main - spent);
  l.byoyomiMs = std::clamp<std::int64_t>(byoyomi - std::max<std::int64_t>(0, spent - main), 0, byoyomi);
  return l;
}

int SeatClocks::OutOfTime(std::int64_t now) const {
  if (running_ == NONE) return NONE;
  const Left l = LeftAt(running_, now);
  return l.mainMs <= 0 && l.byoyomiMs <= 0 ? running_ : NONE;
}

std::optional<std::int64_t> SeatClocks::Deadline() const {
  if (running_ == NONE || paused_) return std::nullopt;
  return since_ - turnSpent_ + mainLeft_[running_] + control_.seat[running_].byoyomiMs;
}

void SeatClocks::Follow(int seat, Left left) {
  if (!IsSeat(seat)) return;
  mainLeft_[seat] = std::max<std::int64_t>(0, left.mainMs);
  flagged_[seat] = left.mainMs <= 0 && left.byoyomiMs <= 0;
  if (seat == running_ && mainLeft_[seat] == 0)
    turnSpent_ = std::max<std::int64_t>(0, control_.seat[seat].byoyomiMs - left.byoyomiMs);
}

std::string ClockText(std::int64_t ms) {
  const std::int64_t s = (std::max<std::int64_t>(0, ms) + 999) / 1000;
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  else
    std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60),
                  static_cast<long long>(s % 60));
  return buf;
}

}  // namespace korvel
