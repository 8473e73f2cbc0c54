#include "play/game_record.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "game/check.h"
#include "game/movement.h"
#include "game/play_move.h"
#include "play/texts.h"
#include "view/board_drawing.h"

namespace korvel {

namespace {

constexpr const char* SEAT_NAMES[5] = {"", "下", "左", "上", "右"};
constexpr const char* HAND_NAMES[5] = {"", "歩", "銀", "金", "飛"};
constexpr const char* PASS_WORD = "パス";
constexpr const char* TEAM_NAMES[5] = {"", "先手組み", "後手組み", "先手組み", "後手組み"};
constexpr int MAX_HAND = 999999;
constexpr int MAX_MOVE_NUMBER = 99999999;
// A move line's number: the start's number and at most one move for each byte of the file.
constexpr long MAX_NUMBERED = MAX_MOVE_NUMBER + static_cast<long>(RECORD_SIZE_LIMIT);

std::string Digit(int n) {
  return std::string(1, static_cast<char>('0' + n));
}

int SeatByName(std::string_view name) {
  for (int seat = 1; seat <= 4; ++seat)
    if (name == SEAT_NAMES[seat]) return seat;
  return NO_SEAT;
}

// Splits at blanks (spaces, tabs, the full-width space).
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  auto blankAt = [&](size_t k) -> size_t {
    if (line[k] == ' ' || line[k] == '\t') return 1;
    if (line.substr(k, 3) == "\u3000") return 3;
    return 0;
  };
  while (i < line.size()) {
    if (size_t b = blankAt(i)) {
      i += b;
      continue;
    }
    const size_t start = i;
    while (i < line.size() && blankAt(i) == 0) ++i;
    words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::optional<long> Number(std::string_view s, long lo, long hi) {
  long v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return std::nullopt;
  return v;
}

// A cell of a board line: ・ for empty, else the owner's seat name and the piece's name.
std::string CellText(PieceCode c) {
  if (c.IsEmpty() || SeatOfCode(c) == NO_SEAT) return "・";
  return SEAT_NAMES[SeatOfCode(c)] + NotationText(c);
}

std::optional<PieceCode> CellCode(std::string_view word) {
  if (word == "・") return EMPTY;
  for (int seat = 1; seat <= 4; ++seat)
    for (int kind = HU; kind <= OU; ++kind)
      for (bool promoted : {false, true}) {
        if (promoted && (kind == KIN || kind == OU)) continue;
        const PieceCode c = Code(seat, kind, promoted);
        if (word == CellText(c)) return c;
      }
  return std::nullopt;
}

bool IsStandardStart(const GameState& s, int startNumber) {
  GameState standard;
  SetInitialPosition(standard);
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (s.Board[x][y] != standard.Board[x][y]) return false;
  for (int seat = 1; seat <= 4; ++seat)
    for (int k = 1; k <= 4; ++k)
      if (s.Hand[seat][k] != 0) return false;
  return s.CurrentSeat == SITA && startNumber == 0;
}

// The move a notation names for the seat to move, read against the board; nullopt with
// the reason when the text is no move or names a piece that is not there.
std::optional<Move> ParseMove(const GameState& s, std::string_view text, std::string* why) {
  const std::string full(text);
  auto fail = [why](const char* reason) -> std::optional<Move> {
    *why = reason;
    return std::nullopt;
  };
  int col = 0, row = 0;
  for (int n = 1; n <= 9 && !col; ++n)
    if (text.starts_with(NotationText(PieceCode(n)))) col = n;
  if (!col) return fail(Text(TextId::MOVE_BAD_COLUMN));
  text.remove_prefix(3);
  for (int n = 1; n <= 9 && !row; ++n)
    if (text.starts_with(NotationText(PieceCode(1000 + n)))) row = n;
  if (!row) return fail(Text(TextId::MOVE_BAD_ROW));
  text.remove_prefix(3);
  const int toX = 10 - col, toY = row;
  std::vector<Move> candidates;
  if (text.ends_with("打")) {
    for (int slot = 1; slot <= 4; ++slot) {
      const Square cell = HandCellOf(s.CurrentSeat, slot);
      const PieceCode p = HandCellCode(cell.x, cell.y);
      candidates.push_back({cell.x, cell.y, toX, toY, p, p});
    }
  } else {
    if (text.size() < 4 || !text.ends_with(")") || text[text.size() - 4] != '(')
      return fail(Text(TextId::MOVE_BAD_ORIGIN));
    const char c = text[text.size() - 3], r = text[text.size() - 2];
    if (c < '1' || c > '9' || r < '1' || r > '9') return fail(Text(TextId::MOVE_BAD_ORIGIN));
    const int fromX = 10 - (c - '0'), fromY = r - '0';
    const PieceCode p = s.Board[fromX][fromY];
    if (p.IsEmpty()) return fail(Text(TextId::MOVE_NO_PIECE));
    candidates.push_back({fromX, fromY, toX, toY, p, p});
    if (!p.IsPromoted() && KindOf(p) != KIN && KindOf(p) != OU)
      candidates.push_back({fromX, fromY, toX, toY, p, p.Promoted()});
  }
  for (const Move& m : candidates)
    if (MoveNotation(m) == full) return m;
  return fail(Text(TextId::MOVE_WRONG_PIECE));
}

bool PartnerKingOnBoard(const GameState& s, int seat) {
  const PieceCode king = KingCode(PartnerOf(seat));
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y)
      if (s.Board[x][y] == king) return true;
  return false;
}

}  // namespace

std::string SeatName(int seat) {
  return seat >= 1 && seat <= 4 ? SEAT_NAMES[seat] : "";
}

std::string MoveNotation(const Move& m) {
  std::string s = NotationText(PieceCode(10 - m.toX)) + NotationText(PieceCode(m.toY + 1000));
  if (m.IsDrop()) return s + NotationText(m.before) + "打";
  s += m.Promotes() ? NotationText(m.before) + "成" : NotationText(m.placed);
  return s + "(" + Digit(10 - m.fromX) + Digit(m.fromY) + ")";
}

std::string RecordError::Text() const {
  return line > 0 ? Fill(TextId::RECORD_AT_LINE, {std::to_string(line), reason}) : reason;
}

namespace {

// The time control as comment lines, so that a record of a game with clocks stays readable
// by every version of the reader: one line when every seat has the same, else one per seat.
std::string TimeControlComment(const GameTimeControl& control) {
  if (!control.On()) return "";
  auto seconds = [](std::int64_t ms) {
    std::string s = std::to_string(ms / 1000);
    if (ms % 1000) {
      char frac[8];
      std::snprintf(frac, sizeof frac, ".%03d", static_cast<int>(ms % 1000));
      s += frac;
      while (s.back() == '0') s.pop_back();
    }
    return s + "秒";
  };
  auto words = [&](const TimeControl& c) {
    return "持ち時間 " + seconds(c.mainMs) + " 秒読み " + seconds(c.byoyomiMs);
  };
  if (control == GameTimeControl::Every(control.seat[SITA])) return "# " + words(control.seat[SITA]) + "\n";
  std::string out;
  for (int seat = 1; seat <= 4; ++seat)
    out += "# " + SeatName(seat) + " " + words(control.seat[seat]) + "\n";
  return out;
}

}  // namespace

std::string WriteRecord(const Game& game, const std::string& started, const RecordNotes& notes) {
  const GameState& s = game.State();
  const std::vector<Game::Turn>& turns = game.Turns();
  int top = game.HistoryTop();
  const int count = game.HistoryCount();
  // The move that took a king ended the game, wherever the game stands: nothing follows it.
  const Game::Ending ending = game.EndingOfGame();
  const int kingMove = ending.kingMove;
  const MoveRecord* king = nullptr;
  for (int i = 0, moves = 0; kingMove && !king; ++i)
    if (!turns[i].pass && ++moves == kingMove) king = &turns[i].move;
  if (kingMove) top = kingMove;
  const int current = std::min(count, top);

  // The start position: every move up to the current one taken back.
  GameState start = s;
  for (int i = game.TurnsPlayed() - 1; i >= 0; --i) {
    if (turns[i].pass) continue;
    const MoveRecord& r = turns[i].move;
    MoveOutcome o;
    o.captured = r.captured;
    o.mover = r.mover;
    UndoMove(start, r, o);
  }
  if (!turns.empty() && turns[0].pass) start.CurrentSeat = turns[0].seat;
  const int startNumber = game.MoveNumber() - count;

  int kinds[5] = {0, s.PlayerKind[1], s.PlayerKind[2], s.PlayerKind[3], s.PlayerKind[4]};
  int mode = s.GameMode;
  if (notes.people) {
    mode = 0;
    for (int seat = 1; seat <= 4; ++seat) {
      kinds[seat] = (*notes.people)[seat] ? HUMAN : COMPUTER;
      if (!(*notes.people)[seat]) mode = 1;
    }
  }

  std::string out = std::string(RECORD_FIRST_LINE) + "\n";
  for (const std::string& line : notes.comments) out += line + "\n";
  out += TimeControlComment(game.TimeControlOf());
  if (!started.empty()) out += "開始日時: " + started + "\n";
  out += std::string("対局: ") + (mode == 1 ? "COM対局" : "四人対局") + "\n";
  for (int seat = 1; seat <= 4; ++seat)
    out += SEAT_NAMES[seat] + std::string(": ") + (kinds[seat] == COMPUTER ? "COM" : "人") + "\n";
  out += "レベル: " + std::to_string(s.Level) + "\n";

  // A king taken: the model holds the winner of a computer's capture while the game stands
  // there; a person's capture is the mover's win. Else the end by repetition, if any: the
  // game's own, or the one the notes tell of.
  bool over = ending.over;
  int repetitionWinner = ending.winner;
  if (notes.repetitionWinner && !over) {
    over = true;
    const int w = *notes.repetitionWinner;
    repetitionWinner = w >= 1 && w <= 4 ? w : NO_SEAT;
  }
  if (over) {
    const bool byLength = notes.byLength && notes.repetitionWinner && !ending.over;
    const bool byTime = !kingMove && (ending.over ? ending.timeLoser != NO_SEAT
                                                  : notes.repetitionWinner && notes.timeLoser != NO_SEAT);
    const int timeLoser = ending.over ? ending.timeLoser : notes.timeLoser;
    const char* reason = kingMove ? "王取り" : byTime ? "時間切れ" : byLength ? "手数" : "千日手";
    const int winner = !kingMove                         ? repetitionWinner
                       : s.GameOver && count == kingMove ? s.WinnerSeat
                                                         : king->mover;
    out += std::string("結果: ") + reason + " ";
    out += winner >= 1 && winner <= 4 ? SeatName(winner) + " " + TEAM_NAMES[winner] + "の勝ち"
                                      : std::string("引き分け");
    if (byTime && timeLoser >= 1 && timeLoser <= 4) out += "（" + SeatName(timeLoser) + "の時間切れ）";
    out += "\n";
  }
  if (current < top) out += "現在: " + std::to_string(startNumber + current) + "\n";

  if (!IsStandardStart(start, startNumber)) {
    out += "# 開始局面（上の段から、各段は左から右へ）\n";
    for (int y = 1; y <= 9; ++y) {
      out += "盤:";
      for (int x = 1; x <= 9; ++x) out.append(" ").append(CellText(start.Board[x][y]));
      out += "\n";
    }
    for (int seat = 1; seat <= 4; ++seat) {
      out += std::string("持駒: ") + SEAT_NAMES[seat];
      for (int k = 1; k <= 4; ++k)
        out += std::string(" ") + HAND_NAMES[k] + std::to_string(start.Hand[seat][k]);
      out += "\n";
    }
    out += "手番: " + SeatName(start.CurrentSeat) + "\n";
    out += "開始手数: " + std::to_string(startNumber) + "\n";
  }

  // Every turn of the list up to the move that took a king and the passes after it: a pass
  // takes the number of the move that would have followed.
  out += "# 手数 手番 指し手\n";
  int moves = 0;
  for (const Game::Turn& t : turns) {
    if (t.pass) {
      out += std::to_string(startNumber + moves + 1) + " " + SeatName(t.seat) + " " + PASS_WORD +
             "\n";
      continue;
    }
    if (++moves > top) break;
    out += std::to_string(startNumber + moves) + " " + SeatName(t.move.mover) + " " +
           MoveNotation(t.move) + "\n";
  }
  return out;
}

RecordReading ReadRecord(std::string_view text) {
  RecordReading result;
  auto fail = [&](int line, std::string reason) {
    result.error = {line, std::move(reason)};
    return result;
  };
  if (text.size() > RECORD_SIZE_LIMIT) return fail(0, Text(TextId::RECORD_TOO_LARGE));
  if (!IsUtf8Text(text)) return fail(0, Text(TextId::RECORD_NOT_UTF8));
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

  std::vector<std::string_view> lines;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = text.substr(at, end - at);
    if (l.ends_with('\r')) l.remove_suffix(1);
    lines.push_back(l);
    at = end + 1;
  }
  if (lines.empty() || lines[0] != RECORD_FIRST_LINE) {
    const std::string_view first = lines.empty() ? std::string_view() : lines[0];
    if (first.starts_with(RECORD_FIRST_LINE) &&
        Words(first.substr(std::string_view(RECORD_FIRST_LINE).size())).empty())
      return fail(
          1, Fill(TextId::RECORD_TRAILING_SPACE, {RECORD_FIRST_LINE}));
    if (first.starts_with("Korvel4人将棋 棋譜 ")) return fail(1, Text(TextId::RECORD_OTHER_VERSION));
    return fail(1, Text(TextId::RECORD_NOT_A_RECORD));
  }

  LoadedRecord loaded;
  int mode = NO_SEAT, level = 3;
  int kinds[5] = {0, 0, 0, 0, 0};
  GameState start;
  SetInitialPosition(start);
  start.CurrentSeat = SITA;
  int boardRows = 0, startNumber = 0;
  std::optional<int> current;
  int currentLine = 0;
  int resultLine = 0;
  std::string resultReason;
  int resultWinner = NO_SEAT;

  // The header, up to the first move line.
  size_t n = 1;
  for (; n < lines.size(); ++n) {
    const int lineNo = static_cast<int>(n) + 1;
    const std::vector<std::string_view> w = Words(lines[n]);
    if (w.empty() || w[0].starts_with("#")) continue;
    if (w[0][0] >= '0' && w[0][0] <= '9') break;
    const std::string_view key = w[0];
    if (!key.ends_with(":")) return fail(lineNo, Text(TextId::RECORD_UNREADABLE_LINE));
    auto arity = [&](size_t k) { return w.size() == k; };
    if (key == "開始日時:") {
      const size_t p = lines[n].find(':');
      std::string_view v = lines[n].substr(p + 1);
      while (v.starts_with(' ')) v.remove_prefix(1);
      loaded.started = std::string(v);
    } else if (key == "対局:") {
      if (!arity(2)) return fail(lineNo, Text(TextId::RECORD_BAD_MODE));
      if (w[1] == "COM対局")
        mode = 1;
      else if (w[1] == "四人対局")
        mode = 0;
      else
        return fail(lineNo, Text(TextId::RECORD_BAD_MODE));
    } else if (SeatByName(key.substr(0, key.size() - 1)) != NO_SEAT) {
      const int seat = SeatByName(key.substr(0, key.size() - 1));
      if (!arity(2) || (w[1] != "人" && w[1] != "COM"))
        return fail(lineNo, Text(TextId::RECORD_BAD_PLAYER_KIND));
      kinds[seat] = w[1] == "COM" ? COMPUTER : HUMAN;
    } else if (key == "レベル:") {
      const auto v = arity(2) ? Number(w[1], 1, 4) : std::nullopt;
      if (!v) return fail(lineNo, Text(TextId::RECORD_BAD_LEVEL));
      level = static_cast<int>(*v);
    } else if (key == "結果:") {
      if (w.size() < 3 ||
          (w[1] != "王取り" && w[1] != "千日手" && w[1] != "手数" && w[1] != "時間切れ"))
        return fail(lineNo, Text(TextId::RECORD_BAD_RESULT));
      resultLine = lineNo;
      resultReason = std::string(w[1]);
      resultWinner = SeatByName(w[2]);
      if (resultWinner == NO_SEAT && w[2] != "引き分け") return fail(lineNo, Text(TextId::RECORD_BAD_RESULT));
      // The move limit ends a game as a draw.
      if (w[1] == "手数" && resultWinner != NO_SEAT) return fail(lineNo, Text(TextId::RECORD_BAD_RESULT));
      // A time running out gives the other team the game.
      if (w[1] == "時間切れ" && resultWinner == NO_SEAT) return fail(lineNo, Text(TextId::RECORD_BAD_RESULT));
    } else if (key == "現在:") {
      const auto v = arity(2) ? Number(w[1], 0, MAX_NUMBERED) : std::nullopt;
      if (!v) return fail(lineNo, Text(TextId::RECORD_BAD_CURRENT));
      current = static_cast<int>(*v);
      currentLine = lineNo;
    } else if (key == "盤:") {
      if (boardRows >= 9) return fail(lineNo, Text(TextId::RECORD_TOO_MANY_ROWS));
      if (w.size() != 10) return fail(lineNo, Text(TextId::RECORD_ROW_CELLS));
      ++boardRows;
      for (int x = 1; x <= 9; ++x) {
        const auto c = CellCode(w[x]);
        if (!c) return fail(lineNo, Fill(TextId::RECORD_BAD_CELL, {w[x]}));
        start.Board[x][boardRows] = *c;
      }
    } else if (key == "持駒:") {
      const int seat = w.size() == 6 ? SeatByName(w[1]) : NO_SEAT;
      if (seat == NO_SEAT) return fail(lineNo, Text(TextId::RECORD_BAD_HAND));
      for (int k = 1; k <= 4; ++k) {
        const std::string_view name = HAND_NAMES[k];
        const auto v = w[k + 1].starts_with(name)
                           ? Number(w[k + 1].substr(name.size()), 0, MAX_HAND)
                           : std::nullopt;
        if (!v) return fail(lineNo, Fill(TextId::RECORD_BAD_HAND_AT, {w[k + 1]}));
        start.Hand[seat][k] = static_cast<int>(*v);
      }
    } else if (key == "手番:") {
      const int seat = arity(2) ? SeatByName(w[1]) : NO_SEAT;
      if (seat == NO_SEAT) return fail(lineNo, Text(TextId::RECORD_BAD_TURN));
      start.CurrentSeat = seat;
    } else if (key == "開始手数:") {
      const auto v = arity(2) ? Number(w[1], 0, MAX_MOVE_NUMBER) : std::nullopt;
      if (!v) return fail(lineNo, Text(TextId::RECORD_BAD_START_NUMBER));
      startNumber = static_cast<int>(*v);
    } else {
      return fail(lineNo, Fill(TextId::RECORD_UNKNOWN_KEY, {key}));
    }
  }
  // Whatever the header lacks is reported at the line that ended it.
  const int headerEnd = static_cast<int>(std::min(n + 1, lines.size()));
  if (mode == NO_SEAT) return fail(headerEnd, Text(TextId::RECORD_NO_MODE));
  for (int seat = 1; seat <= 4; ++seat)
    if (kinds[seat] == 0) return fail(headerEnd, Fill(TextId::RECORD_NO_PLAYER_KIND, {SeatName(seat)}));
  if (boardRows != 0 && boardRows != 9) return fail(headerEnd, Text(TextId::RECORD_BOARD_ROWS));
  for (int seat = 1; seat <= 4; ++seat) {
    int kings = 0;
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y) kings += start.Board[x][y] == KingCode(seat);
    if (kings > 1) return fail(headerEnd, Fill(TextId::RECORD_TWO_KINGS, {SeatName(seat)}));
  }

  start.PlayerKind[SITA] = kinds[SITA];
  start.PlayerKind[HIDARI] = kinds[HIDARI];
  start.PlayerKind[UE] = kinds[UE];
  start.PlayerKind[MIGI] = kinds[MIGI];
  start.Level = level;
  start.GameMode = mode;
  start.GameStarted = true;
  FindAllKings(start);
  UpdatePawnLines(start);
  Game& game = loaded.game;
  game.Fix().LoadState(start);
  game.Fix().SetMoveNumber(startNumber);

  // The moves, each replayed through the rules.
  for (; n < lines.size(); ++n) {
    const int lineNo = static_cast<int>(n) + 1;
    const std::vector<std::string_view> w = Words(lines[n]);
    if (w.empty() || w[0].starts_with("#")) continue;
    if (!(w[0][0] >= '0' && w[0][0] <= '9')) return fail(lineNo, Text(TextId::RECORD_KEY_AFTER_MOVES));
    if (w.size() != 3) return fail(lineNo, Text(TextId::RECORD_MOVE_LINE));
    const auto number = Number(w[0], 0, MAX_NUMBERED);
    if (!number || *number != game.MoveNumber() + 1)
      return fail(lineNo, Fill(TextId::RECORD_WRONG_NUMBER, {std::to_string(game.MoveNumber() + 1)}));
    const int seat = SeatByName(w[1]);
    if (seat == NO_SEAT) return fail(lineNo, Fill(TextId::RECORD_BAD_TURN_AT, {w[1]}));
    switch (const Refusal r = game.MayMove(seat)) {
      case Refusal::NONE: break;
      case Refusal::NOT_YOUR_TURN:
        return fail(lineNo, Fill(TextId::RECORD_REFUSED_TURN,
                                 {WordsFor(r).prompt, SeatName(game.State().CurrentSeat)}));
      default: return fail(lineNo, WordsFor(r).prompt);
    }
    if (w[2] == PASS_WORD) {
      // Only a seat with no move the board would accept passes. With the partner's king off
      // the board the partner test reads a square the record does not carry: any pass is
      // taken as the record has it.
      if (PartnerKingOnBoard(game.State(), seat) && !game.MustPass(seat))
        return fail(lineNo, Fill(TextId::RECORD_CANNOT_PASS, {SeatName(seat)}));
      game.Pass(seat);
      continue;
    }
    std::string why;
    const std::optional<Move> m = ParseMove(game.State(), w[2], &why);
    if (!m) return fail(lineNo, why);
    game.RefreshKings();
    game.RefreshPawnLines();
    // What the rules accept, or a board move as a press accepts it when the piece was
    // picked before the turn passed on (a menu choice or the computers' turns in between):
    // then the piece may be another seat's.
    const Refusal first = game.Check(seat, *m);
    Refusal refusal = first;
    if (refusal != Refusal::NONE && !m->IsDrop()) refusal = game.Check(seat, *m, Owner::AT_PICK);
    // A record names every refused move alike.
    if (refusal != Refusal::NONE) {
      fail(lineNo, Fill(TextId::RECORD_REFUSED_MOVE, {WordsFor(Refusal::CANNOT_MOVE).prompt, w[2]}));
      result.error.refusal = first;
      return result;
    }
    // Played as a computer's move: the record carries the end of the game with it.
    game.Play(seat, *m, Game::Mover::COMPUTER);
  }

  // The end by repetition, or by the network game's move limit (手数, a draw the same
  // way), comes after the last move, before any step back to 現在.
  if (resultReason == "千日手" || resultReason == "手数" || resultReason == "時間切れ") {
    if (game.Finished()) return fail(resultLine, Text(TextId::RECORD_KING_TAKEN));
    // The winner named after 時間切れ is the seat after the one whose time ran out.
    if (resultReason == "時間切れ") game.EndByTime((resultWinner + 2) % 4 + 1);
    else game.EndByRepetition(resultWinner);
  }
  if (current) {
    const int back = game.MoveNumber() - *current;
    if (back < 0 || back > game.HistoryCount())
      return fail(currentLine, Text(TextId::RECORD_CURRENT_OUTSIDE));
    for (int i = 0; i < back; ++i) game.StepBack();
  }
  // Play goes on as after a step forward; a game over, or one with no move yet, has
  // nothing to resume.
  game.Fix().SetResumePending(!game.State().GameOver && game.MoveNumber() > 0);
  result.record = std::move(loaded);
  return result;
}

bool IsUtf8Text(std::string_view b) {
  size_t i = 0;
  while (i < b.size()) {
    const auto c = static_cast<unsigned char>(b[i]);
    if (c == 0) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len = 0;
    unsigned cp = 0;
    if ((c & 0xE0) == 0xC0)
      len = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0)
      len = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0)
      len = 4, cp = c & 0x07;
    else
      return false;
    if (i + len > b.size()) return false;
    for (int k = 1; k < len; ++k) {
      const auto d = static_cast<unsigned char>(b[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr unsigned MIN[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < MIN[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

}  // namespace korvel
