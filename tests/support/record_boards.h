// Board rows of a record that several tests start from: the four kings on their own rows
// and 下's rook on 5五, which can take 左's king on 9五 or 右's on 1五. A string literal, so
// that it joins the literals of a record's other lines.
#pragma once

#define KORVEL4_ROOK_BETWEEN_KINGS_ROWS      \
  "盤: ・ ・ ・ ・ 上王 ・ ・ ・ ・\n"         \
  "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"           \
  "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"           \
  "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"           \
  "盤: 左王 ・ ・ ・ 下飛 ・ ・ ・ 右王\n"     \
  "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"           \
  "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"           \
  "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"           \
  "盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・\n"
