// 対局 → 持ち時間...: the time control of the games started from then on, for each seat.
#pragma once

#include <QWidget>
#include <optional>

#include "play/clock.h"

namespace korvel {

// Asks for the time control, starting from `now`; nothing when the player cancels. The
// choice is off (no clocks) when its check box is cleared or every seat has no time.
std::optional<GameTimeControl> AskTimeControl(QWidget* parent, const GameTimeControl& now);

}  // namespace korvel
