// The table of words (play/texts.h) for the window's Qt code: a text as a QString, and a
// format filled with QString parts kept exactly as they came (a name may hold what UTF-8
// cannot).
#pragma once

#include <QString>
#include <initializer_list>

#include "play/texts.h"

namespace korvel {

inline QString QText(TextId id) { return QString::fromUtf8(Text(id)); }

inline QString QFill(TextId id, std::initializer_list<QString> parts) {
  QString out;
  WalkFormat(
      Text(id),
      [&](std::string_view literal) {
        out += QString::fromUtf8(literal.data(), static_cast<qsizetype>(literal.size()));
      },
      [&](int n) {
        if (static_cast<size_t>(n) <= parts.size()) out += parts.begin()[n - 1];
      });
  return out;
}

// A seat's short name (下, 左, 上, 右); empty for no seat.
inline QString SeatWordOf(int seat) {
  const TextId id = SeatWordId(seat);
  return id == TextId::NONE ? QString() : QText(id);
}

}  // namespace korvel
