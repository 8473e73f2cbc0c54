// Game records: written from a game, read back by replaying it, refused with the line
// and the reason, and never a danger to the game on screen.
#include "play/game_record.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "../game/positions.h"
#include "game/play_move.h"
#include "support/fake_ports.h"
#include "support/turns.h"
#include "support/record_boards.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using testing::FormRig;

// A random game played through the game object as the window plays it: persons' and
// computers' moves (captures preferred, so that drops follow), steps back and forward, a
// rotation at the start, a repetition ending. A seat with no move passes: now and then one
// army starts with nothing at all, and passes at every turn.
Game RandomGame(unsigned seed) {
  std::mt19937 rng(seed);
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  Game g;
  g.NewGame();
  const int mode = chance(50) ? 1 : 0;
  int kinds[5] = {0, HUMAN, HUMAN, HUMAN, HUMAN};
  if (mode == 1)
    for (int seat = 1; seat <= 4; ++seat) kinds[seat] = chance(60) ? COMPUTER : HUMAN;
  g.SetSeats(kinds[1], kinds[2], kinds[3], kinds[4], mode);
  g.SetLevel(1 + static_cast<int>(rng() % 4));
  g.Fix().SetSeatToMove(SITA);
  const bool rotate = chance(15);
  // (Not with a turn: the turned position would keep the missing king's old square.)
  if (!rotate && chance(25)) {
    const int bare = 1 + static_cast<int>(rng() % 4);
    PieceCode board[10][10];
    for (int x = 0; x <= 9; ++x)
      for (int y = 0; y <= 9; ++y)
        board[x][y] = SeatOfCode(g.State().Board[x][y]) == bare ? EMPTY : g.State().Board[x][y];
    g.Fix().SetBoard(board);
  }
  const int length = static_cast<int>(rng() % 160);
  for (int i = 0; i < length; ++i) {
    if (rotate && i == 5) g.Rotate();
    const int r = static_cast<int>(rng() % 100);
    if (r < 4) {
      g.StepBack();
      continue;
    }
    if (r < 7) {
      g.StepForward();
      continue;
    }
    g.RefreshKings();
    g.RefreshPawnLines();
    std::vector<Move> moves = LegalMoves(g.State());
    if (moves.empty()) {
      g.Pass(g.State().CurrentSeat);
      continue;
    }
    std::vector<Move> captures;
    for (const Move& m : moves)
      if (!g.State().Board[m.toX][m.toY].IsEmpty()) captures.push_back(m);
    const std::vector<Move>& from = !captures.empty() && chance(70) ? captures : moves;
    const Move m = from[rng() % from.size()];
    const int seat = g.State().CurrentSeat;
    const MoveOutcome o =
        g.Play(seat, m, g.IsComputerSeat(seat) ? Game::Mover::COMPUTER : Game::Mover::PERSON)
            .outcome;
    if (o.kingTaken) return g;
  }
  if (chance(10)) g.EndByRepetition(chance(50) ? NO_SEAT : 1 + static_cast<int>(rng() % 4));
  return g;
}

bool TookKing(const Game& g) {
  const int n = g.HistoryCount();
  return n > 0 && n == g.HistoryTop() && IsKingCode(NthMove(g, n).captured);
}

void ExpectSameGame(const Game& want, const Game& got, const std::string& where) {
  const GameState &a = want.State(), &b = got.State();
  for (int x = 1; x <= 9; ++x)
    for (int y = 1; y <= 9; ++y) ASSERT_EQ(a.Board[x][y], b.Board[x][y]) << where;
  for (int seat = 1; seat <= 4; ++seat) {
    for (int k = 1; k <= 4; ++k) ASSERT_EQ(a.Hand[seat][k], b.Hand[seat][k]) << where;
    ASSERT_EQ(a.PlayerKind[seat], b.PlayerKind[seat]) << where;
  }
  ASSERT_EQ(a.CurrentSeat, b.CurrentSeat) << where;
  ASSERT_EQ(a.Level, b.Level) << where;
  ASSERT_EQ(a.GameMode, b.GameMode) << where;
  ASSERT_TRUE(b.GameStarted) << where;
  ASSERT_EQ(want.MoveNumber(), got.MoveNumber()) << where;
  ASSERT_EQ(want.HistoryCount(), got.HistoryCount()) << where;
  ASSERT_EQ(want.HistoryTop(), got.HistoryTop()) << where;
  for (int i = 1; i <= want.HistoryTop(); ++i) {
    const MoveRecord &p = NthMove(want, i), &q = NthMove(got, i);
    ASSERT_TRUE(static_cast<const Move&>(p) == static_cast<const Move&>(q)) << where << " " << i;
    ASSERT_EQ(p.captured, q.captured) << where << " " << i;
    ASSERT_EQ(p.mover, q.mover) << where << " " << i;
  }
  ASSERT_EQ(PassesOf(want), PassesOf(got)) << where;
  // A king taken by a person is announced by the window; the record opens it finished.
  ASSERT_EQ(a.GameOver || TookKing(want), b.GameOver) << where;
  if (a.GameOver) {
    ASSERT_EQ(a.WinnerSeat, b.WinnerSeat) << where;
  }
  ASSERT_EQ(!b.GameOver && got.MoveNumber() > 0, got.ResumePending()) << where;
}

TEST(GameRecord, RandomGamesComeBackWhole) {
  int promotions = 0, drops = 0, passes = 0, kings = 0, repetitions = 0, rotated = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    const Game g = RandomGame(seed);
    const std::string text = WriteRecord(g, "2026-01-02 03:04:05");
    const RecordReading r = ReadRecord(text);
    ASSERT_TRUE(r.record) << "seed " << seed << ": " << r.error.Text() << "\n" << text;
    ExpectSameGame(g, r.record->game, "seed " + std::to_string(seed) + "\n" + text);
    EXPECT_EQ(r.record->started, "2026-01-02 03:04:05");
    // Written again, the record is the same text.
    EXPECT_EQ(WriteRecord(r.record->game, r.record->started), text) << "seed " << seed;
    for (int i = 1; i <= g.HistoryTop(); ++i) {
      promotions += NthMove(g, i).Promotes();
      drops += NthMove(g, i).IsDrop();
    }
    passes += !PassesOf(g).empty();
    kings += TookKing(g);
    repetitions += g.State().GameOver && !TookKing(g);
    rotated += text.find("盤:") != std::string::npos;
  }
  // The games did meet what the format must carry.
  EXPECT_GT(promotions, 20);
  EXPECT_GT(drops, 20);
  EXPECT_GT(passes, 20);
  EXPECT_GT(kings, 5);
  EXPECT_GT(repetitions, 5);
  EXPECT_GT(rotated, 10);
}

TEST(GameRecord, NotationNamesTheMoveAsTheWindowWritesItWithOriginDropAndPromotion) {
  EXPECT_EQ(MoveNotation({4, 8, 4, 7, 11_pc, 11_pc}), "６七歩(68)");
  EXPECT_EQ(MoveNotation({4, 4, 4, 3, 12_pc, 12.5_pc}), "６三銀成(64)");
  EXPECT_EQ(MoveNotation({4, 4, 4, 3, 12.5_pc, 12.5_pc}), "６三銀成(64)");
  EXPECT_EQ(MoveNotation({4, 4, 4, 3, 11_pc, 11.5_pc}), "６三歩成(64)");
  EXPECT_EQ(MoveNotation({4, 3, 4, 2, 11.5_pc, 11.5_pc}), "６二と(63)");
  const Square cell = HandCellOf(SITA, 3);
  EXPECT_EQ(MoveNotation({cell.x, cell.y, 9, 1, 13_pc, 13_pc}), "１一金打");
}

constexpr const char* HEAD =
    "Korvel4人将棋 棋譜 1\n対局: 四人対局\n下: 人\n左: 人\n上: 人\n右: 人\nレベル: 3\n";

// 上 has nothing left on the board or in hand, so it passes.
TEST(GameRecord, AHandWrittenRecordWithCommentsAndAStartPositionIsRead) {
  const std::string text = std::string(HEAD) +
                           "# a comment\n"
                           "\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: 左王 ・ ・ ・ 下と ・ ・ ・ 右王\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                           "盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・\n"
                           "持駒: 下 歩1 銀0 金2 飛0\n"
                           "手番: 下\n"
                           "開始手数: 10\n"
                           "11 下 ５四と(55)   \n"
                           "12 左 ８五王(95)\r\n"
                           "13 上 パス\n"
                           "13 右 ２五王(15)\n"
                           "14 下 ５三金打\n";
  const RecordReading r = ReadRecord(text);
  ASSERT_TRUE(r.record) << r.error.Text();
  const Game& g = r.record->game;
  EXPECT_EQ(g.MoveNumber(), 14);  // a pass is numbered as the move it gave up
  EXPECT_EQ(g.HistoryTop(), 4);
  EXPECT_EQ(g.State().Board[5][3], 13_pc);
  EXPECT_EQ(g.State().Hand[SITA][3], 1);
  EXPECT_EQ(g.State().Board[5][4], 11.5_pc);
  EXPECT_TRUE(g.ResumePending());
}

TEST(GameRecord, TheExampleOfTheFormatDocumentIsRead) {
  std::ifstream in(fs::path(__FILE__).parent_path() / "../../docs/record-format.md");
  const std::string doc((std::istreambuf_iterator<char>(in)), {});
  const size_t from = doc.find("```k4k\n");
  ASSERT_NE(from, std::string::npos);
  const size_t to = doc.find("```", from + 7);
  const RecordReading r = ReadRecord(doc.substr(from + 7, to - from - 7));
  ASSERT_TRUE(r.record) << r.error.Text();
  const Game& g = r.record->game;
  EXPECT_EQ(g.MoveNumber(), 15);
  EXPECT_EQ(g.State().CurrentSeat, UE);
  EXPECT_EQ(g.State().Hand[SITA][HU], 1);
  EXPECT_EQ(g.State().Hand[SITA][KIN], 1);
  EXPECT_EQ(g.State().Board[3][3], 12.5_pc);
  EXPECT_EQ(g.State().PlayerKind[SITA], HUMAN);
  EXPECT_EQ(g.State().Level, 2);
  EXPECT_EQ(r.record->started, "2026-12-08 10:15:00");
}

TEST(GameRecord, EveryRefusalNamesItsLine) {
  struct Case {
    std::string text;
    int line;
    const char* reason;
  };
  const std::string head = HEAD;
  const Case cases[] = {
      {"", 1, "棋譜のファイルではありません"},
      {"Korvel4人将棋 棋譜 2\n", 1, "この版"},
      {head + "色: 赤\n", 8, "知らない見出し"},
      {head + "レベル: 9\n", 8, "レベル"},
      {head + "なにか\n", 8, "読めない行"},
      {"Korvel4人将棋 棋譜 1\n下: 人\n左: 人\n上: 人\n右: 人\n1 下 ６七歩(68)\n", 6,
       "対局の種類がありません"},
      {"Korvel4人将棋 棋譜 1\n対局: 四人対局\n下: 人\n", 4, "左の指し手の種類がありません"},
      {head + "1 下 ６七歩(68)\n2 下 ６六歩(67)\n", 9, "手番が違います"},
      {head + "1 下 ６六歩(68)\n", 8, "指せない手"},
      {head + "1 下 ６七銀(68)\n", 8, "駒の名前"},
      {head + "1 下 ６七歩\n", 8, "元の位置"},
      {head + "1 下 ６七歩(78)\n", 8, "元の位置に駒がありません"},
      {head + "1 下 ６七歩(60)\n", 8, "指し手が読めません（元の位置）"},
      {head + "1 下 ６七歩(08)\n", 8, "指し手が読めません（元の位置）"},
      {head + "1 下 ６七歩(58)\n", 8, "駒の名前"},
      {head + "1 下 6七歩(68)\n", 8, "筋"},
      {head + "1 下 ６7歩(68)\n", 8, "段"},
      {head + "1 下 ５五歩打\n", 8, "指せない手"},
      {head + "2 下 ６七歩(68)\n", 8, "手数が違います"},
      {head + "1 中 ６七歩(68)\n", 8, "手番が読めません"},
      {head + "1 下\n", 8, "手数 手番 指し手"},
      {head + "1 下 ６七歩(68)\nレベル: 2\n", 9, "見出し"},
      {head + "盤: ・ ・\n", 8, "9 つの升"},
      {head + "盤: ・ ・ ・ ・ 青王 ・ ・ ・ ・\n", 8, "升が読めません"},
      {head + "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n1 下 ６七歩(68)\n", 9, "盤は 9 段"},
      {head + "持駒: 下 歩1 銀0 金x 飛0\n", 8, "持駒"},
      {head + "現在: 5\n1 下 ６七歩(68)\n", 8, "現在の手数が指し手の外"},
      {"Korvel4人将棋 棋譜 1 \n", 1, "後ろに空白があります"},
      {"Korvel4人将棋 棋譜 1\t\r\n", 1, "後ろに空白があります"},
      {"Korvel4人将棋 棋譜 1\u3000\n", 1, "後ろに空白があります"},
      {"Korvel4人将棋 棋譜 1 2\n", 1, "この版"},
      {head + "1 下 パス\n", 8, "パスはできません（下には指せる手があります）"},
  };
  for (const Case& c : cases) {
    const RecordReading r = ReadRecord(c.text);
    EXPECT_FALSE(r.record) << c.text;
    EXPECT_EQ(r.error.line, c.line) << c.text << r.error.Text();
    EXPECT_NE(r.error.reason.find(c.reason), std::string::npos) << c.text << r.error.Text();
  }
  // The line is named once: an empty or foreign file says so and no more.
  EXPECT_EQ(ReadRecord("").error.Text(), "1行目: 棋譜のファイルではありません");
  EXPECT_EQ(ReadRecord("# a note\n対局: COM対局\n").error.Text(),
            "1行目: 棋譜のファイルではありません");
  // A move after the king was taken.
  Game g;
  for (unsigned seed = 1; seed < 400; ++seed) {
    g = RandomGame(seed);
    if (TookKing(g)) break;
  }
  ASSERT_TRUE(TookKing(g));
  std::string text = WriteRecord(g, "");
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  text += std::to_string(g.MoveNumber() + 1) + " 下 ６七歩(68)\n";
  const RecordReading r = ReadRecord(text);
  EXPECT_EQ(r.error.line, lines + 1);
  EXPECT_NE(r.error.reason.find("終わっています"), std::string::npos);
}

TEST(GameRecord, TextThatIsNotUtf8OrTooLargeIsRefusedWhole) {
  for (const std::string& bad :
       {std::string("\xff"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80"),
        std::string("a\0b", 3), std::string("\xE3\x81"), std::string("\xF4\x90\x80\x80")}) {
    EXPECT_FALSE(IsUtf8Text(bad));
    const RecordReading r = ReadRecord(std::string(HEAD) + bad);
    EXPECT_EQ(r.error.line, 0);
    EXPECT_NE(r.error.reason.find("UTF-8"), std::string::npos);
  }
  EXPECT_TRUE(IsUtf8Text("棋譜 \xF0\x9F\x98\x80 ok"));
  std::string big = std::string(HEAD) + std::string(RECORD_SIZE_LIMIT, '#');
  EXPECT_NE(ReadRecord(big).error.reason.find("大きすぎます"), std::string::npos);
}

TEST(GameRecord, MutatedRecordsNeitherCrashNorHang) {
  const Game g = RandomGame(7);
  const std::string text = WriteRecord(g, "2026-01-02 03:04:05");
  std::mt19937 rng(99);
  const auto start = std::chrono::steady_clock::now();
  int read = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string t = text;
    const int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits && !t.empty(); ++e) {
      const size_t at = rng() % t.size();
      switch (rng() % 6) {
        case 0:
          t[at] = static_cast<char>(rng());
          break;
        case 1:
          t.erase(at, 1 + rng() % 8);
          break;
        case 2:
          t.insert(at, t.substr(rng() % t.size(), 1 + rng() % 12));
          break;
        case 3: {  // a whole line dropped
          const size_t b = t.rfind('\n', at), n = t.find('\n', at);
          if (b != std::string::npos && n != std::string::npos) t.erase(b, n - b);
          break;
        }
        case 4:
          t.insert(at, std::to_string(rng() % 200));
          break;
        default:
          t.resize(at);
          break;
      }
    }
    const RecordReading r = ReadRecord(t);
    read += r.record.has_value();
    if (!r.record) {
      EXPECT_FALSE(r.error.reason.empty());
    }
  }
  for (int i = 0; i < 500; ++i) {  // plain noise
    std::string t(rng() % 300, ' ');
    for (char& c : t) c = static_cast<char>(rng());
    if (i % 2) t = RECORD_FIRST_LINE + ("\n" + t);
    const RecordReading r = ReadRecord(t);
    EXPECT_FALSE(r.record && r.record->game.HistoryTop() > 0);
  }
  EXPECT_GT(read, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// The four armies on their own rows: 下's rook on 5五 can take 左's king on 9五.
constexpr const char* ROOK_FOR_THE_KING =
    KORVEL4_ROOK_BETWEEN_KINGS_ROWS;

Game Read(const std::string& text) {
  RecordReading r = ReadRecord(text);
  EXPECT_TRUE(r.record) << r.error.Text() << "\n" << text;
  return r.record ? std::move(r.record->game) : Game();
}

// A record that starts near the largest move number goes past it and still opens, however
// far it goes and wherever it stands.
TEST(GameRecord, MoveNumbersPastTheLargestStartComeBack) {
  Game g = Read(std::string(HEAD) + "開始手数: 99999999\n");
  for (int i = 0; i < 6; ++i) {
    g.RefreshKings();
    g.RefreshPawnLines();
    ASSERT_EQ(g.Play(g.State().CurrentSeat, LegalMoves(g.State())[0], Game::Mover::PERSON).refusal,
              Refusal::NONE);
  }
  ASSERT_EQ(g.MoveNumber(), 100000005);
  const std::string text = WriteRecord(g, "");
  ASSERT_NE(text.find("\n100000000 下 "), std::string::npos) << text;
  ExpectSameGame(g, Read(text), text);
  g.StepBack();
  g.StepBack();
  const std::string back = WriteRecord(g, "");
  ASSERT_NE(back.find("現在: 100000003\n"), std::string::npos) << back;
  ExpectSameGame(g, Read(back), back);
  // The start itself stays within its limit.
  EXPECT_FALSE(ReadRecord(std::string(HEAD) + "開始手数: 100000000\n").record);
}

// Where the game ended is kept wherever it stands: stepped back from a taken king or from
// the end by repetition, the record says how it ended and opens to end the same way; no
// move ever follows a taken king in a record.
TEST(GameRecord, TheEndIsWrittenFromTheMoveThatEndedTheGame) {
  const std::string head = std::string(HEAD) + ROOK_FOR_THE_KING + "手番: 下\n";
  Game king = Read(head + "1 下 ９五飛(55)\n");
  ASSERT_TRUE(king.State().GameOver);
  king.StepBack();
  const std::string back = WriteRecord(king, "");
  EXPECT_NE(back.find("結果: 王取り 下 先手組みの勝ち\n現在: 0\n"), std::string::npos) << back;
  Game reopened = Read(back);
  EXPECT_FALSE(reopened.Finished());
  reopened.StepForward();
  EXPECT_TRUE(reopened.Finished()) << "進 back to the taken king is the end again";

  // Moves the model was made to play after the king: the record ends with the king.
  Game after = Read(head + "1 下 ９五飛(55)\n");
  after.Fix().SetSeatToMove(MIGI);
  after.Play(MIGI, {9, 5, 8, 5, 45_pc, 45_pc}, Game::Mover::COMPUTER);
  const std::string text = WriteRecord(after, "");
  EXPECT_EQ(text.find("千日手"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n2 "), std::string::npos) << text;
  EXPECT_TRUE(Read(text).Finished());

  Game rep = Read(std::string(HEAD) + "1 下 ６七歩(68)\n2 左 ７四歩(84)\n");
  rep.EndByRepetition(HIDARI);
  rep.StepBack();
  EXPECT_FALSE(rep.Finished());
  const std::string repBack = WriteRecord(rep, "");
  EXPECT_NE(repBack.find("結果: 千日手 左 後手組みの勝ち\n現在: 1\n"), std::string::npos)
      << repBack;
  Game repOpened = Read(repBack);
  ExpectSameGame(rep, repOpened, repBack);
  EXPECT_TRUE(repOpened.ResumePending());
  repOpened.StepForward();
  EXPECT_TRUE(repOpened.Finished());
  EXPECT_EQ(repOpened.EndingOfGame().winner, HIDARI);
  // The end comes where the game stands: what was taken back before it is no longer its.
  repOpened.StepBack();
  repOpened.EndByRepetition(NO_SEAT);
  EXPECT_EQ(repOpened.HistoryTop(), 1);
  EXPECT_TRUE(repOpened.Finished());
}

// A pass is part of the history: stepping back over it and forward again neither loses the
// moves after it nor lets the seat pass twice.
TEST(GameRecord, APassStaysInItsPlaceAcrossStepsBackAndForward) {
  // 左 has nothing at all: it passes at each of its turns.
  const std::string start = std::string(HEAD) +
                            "盤: ・ ・ ・ ・ 上王 ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ 右王\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                            "盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・\n"
                            "手番: 下\n"
                            "1 下 ５八王(59)\n"
                            "2 左 パス\n"
                            "2 上 ５二王(51)\n"
                            "3 右 ２五王(15)\n"
                            "4 下 ５七王(58)\n";
  Game played = Read(start);
  ASSERT_EQ(PassesOf(played).size(), 1u);
  for (int i = 0; i < 4; ++i) played.StepBack();
  const std::string back = WriteRecord(played, "");
  EXPECT_NE(back.find("現在: 0\n"), std::string::npos) << back;
  EXPECT_NE(back.find("4 下 ５七王(58)\n"), std::string::npos) << back;
  ExpectSameGame(played, Read(back), back);

  // At the newest move after a pass, 進 leaves the seat after the pass to move.
  Game newest = Read(start + "5 左 パス\n");
  ASSERT_EQ(newest.State().CurrentSeat, UE);
  newest.StepBack();
  newest.StepForward();
  EXPECT_EQ(newest.State().CurrentSeat, UE);
  // With 下's partner's king off the board, the partner test has no square to read from the
  // record: 下's pass is taken as it stands, though it had moves.
  const std::string noPartner = std::string(HEAD) +
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: 左王 ・ ・ ・ ・ ・ ・ ・ 右王\n"
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n"
                                "盤: ・ ・ ・ ・ 下王 ・ ・ ・ ・\n"
                                "手番: 下\n";
  EXPECT_EQ(Read(noPartner + "1 下 パス\n").State().CurrentSeat, HIDARI);
  const RecordReading refused = ReadRecord(start.substr(0, start.find("1 下")) + "1 下 パス\n");
  EXPECT_EQ(refused.error.Text(), "18行目: パスはできません（下には指せる手があります）");

  // A pass where moves were taken back replaces them, as a move would.
  Game branch = Read(start);
  branch.StepBack();
  branch.StepBack();
  branch.StepBack();
  branch.Pass(UE);
  EXPECT_EQ(branch.HistoryTop(), 1);
  EXPECT_FALSE(branch.StepForward());
  EXPECT_EQ(PassesOf(branch).size(), 2u);
}

// A pass is written only for a seat with no move the board would accept; the computers
// pass exactly then. Crowded random positions, at every level: the computer passes when,
// and only when, the rules leave the seat no move.
TEST(GameRecord, TheComputerPassesOnlyWhenNoMoveIsLeft) {
  std::mt19937 rng(12345);
  int passes = 0, positions = 0;
  for (int i = 0; i < 6000; ++i) {
    GameState s;
    NewGameModel(s);
    for (int x = 1; x <= 9; ++x)
      for (int y = 1; y <= 9; ++y) s.Board[x][y] = EMPTY;
    const int seat = 1 + static_cast<int>(rng() % 4);
    for (int q = 1; q <= 4; ++q)
      for (int tries = 0; tries < 50; ++tries) {
        const int x = 1 + static_cast<int>(rng() % 9), y = 1 + static_cast<int>(rng() % 9);
        if (!s.Board[x][y].IsEmpty()) continue;
        s.Board[x][y] = KingCode(q);
        break;
      }
    // The seat to move holds few pieces among many of the others'.
    const int own = static_cast<int>(rng() % 3), pieces = 50 + static_cast<int>(rng() % 30);
    for (int k = 0; k < pieces; ++k) {
      int q = 1 + static_cast<int>(rng() % 4);
      if (k < own)
        q = seat;
      else if (q == seat)
        q = q % 4 + 1;
      const int kind = HU + static_cast<int>(rng() % 4);
      const int x = 1 + static_cast<int>(rng() % 9), y = 1 + static_cast<int>(rng() % 9);
      if (s.Board[x][y].IsEmpty()) s.Board[x][y] = Code(q, kind, kind != KIN && rng() % 4 == 0);
    }
    for (int k = 1; k <= 4; ++k) s.Hand[seat][k] = rng() % 6 == 0 ? 1 : 0;
    for (int q = 1; q <= 4; ++q) s.PlayerKind[q] = COMPUTER;
    s.GameMode = 1;
    s.GameStarted = true;
    s.CurrentSeat = seat;
    FindAllKings(s);
    UpdatePawnLines(s);
    const bool none = LegalMoves(s).empty();
    for (int level = 1; level <= 4; ++level) {
      if (level == 4 && i % 4 != 0) continue;
      Game g;
      GameState t = s;
      t.Level = level;
      g.Fix().LoadState(t);
      ComputerLimits limits;
      limits.nodes = 500;
      const bool passed = !g.ChooseComputerMove(seat, limits).found;
      ++positions;
      passes += passed;
      ASSERT_EQ(passed, none) << "level " << level << " seat " << seat << "\n"
                              << WriteRecord(g, "");
    }
  }
  EXPECT_GT(passes, 20);  // the positions did leave seats without a move
  EXPECT_GT(positions, 10000);
}

// --- through the presenter, on disk ------------------------------------------------------

class RecordFiles : public testing::InFreshFolder {
 protected:
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  static std::string Snapshot(const Form1& f) {
    return WriteRecord(f.TheGame(), "") + std::to_string(f.TheGame().HistoryCount()) +
           std::to_string(f.TheGame().ResumePending()) + std::to_string(f.State().GameOver);
  }
};

TEST_F(RecordFiles, SavedAndOpenedTheGameGoesOnAsAfterAStepForward) {
  FormRig a;
  a.form.Form_Load();
  a.form.JYUNBAN_1_Click();
  for (int i = 0; i < 12; ++i) a.form.PlayComputerTurnForSeatToMove();
  a.form.REPLAY_Click();
  ASSERT_TRUE(a.form.SaveRecord((dir_ / "g.k4k").string()));

  FormRig b;
  b.form.Form_Load();
  ASSERT_TRUE(b.form.OpenRecord((dir_ / "g.k4k").string()));
  ExpectSameGame(a.form.TheGame(), b.form.TheGame(), "");
  // The next press asks before play resumes.
  b.dialogs.shown.clear();
  b.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(5) + 300, CellY(5) + 300);
  ASSERT_FALSE(b.dialogs.shown.empty());
  EXPECT_EQ(b.dialogs.shown.front(), "message 再開|OKですか？");
}

TEST_F(RecordFiles, GamesTheComputerPlaysComeBackWhole) {
  // Every seat played by the computer's turn procedure, at each level, to the end or far.
  for (auto level : {&Form1::LEVEL1_Click, &Form1::LEVEL2_Click, &Form1::LEVEL3_Click}) {
    FormRig rig;
    rig.form.Form_Load();
    (rig.form.*level)();
    rig.form.PLAY_TOIMEN_Click();
    for (int i = 0; i < 120 && rig.form.PlayComputerTurnForSeatToMove(); ++i) {
    }
    const RecordReading r = ReadRecord(WriteRecord(rig.form.TheGame(), ""));
    ASSERT_TRUE(r.record) << r.error.Text();
    ExpectSameGame(rig.form.TheGame(), r.record->game, WriteRecord(rig.form.TheGame(), ""));
  }
}

TEST_F(RecordFiles, ABadFileLeavesTheGameAsItWasWithOneMessage) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.JYUNBAN_1_Click();
  for (int i = 0; i < 6; ++i) rig.form.PlayComputerTurnForSeatToMove();
  const std::string before = Snapshot(rig.form);
  Put(dir_ / "big.k4k", std::string(HEAD) + std::string(RECORD_SIZE_LIMIT, '#'));
  Put(dir_ / "bin.k4k", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  Put(dir_ / "bad.k4k", std::string(HEAD) + "1 下 ６七歩(68)\n2 左 ９九王(95)\n");
  fs::create_directory(dir_ / "folder.k4k");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.k4k").c_str(), 0600), 0);
  // Each message names the file it is about; a missing file, just named by the player,
  // is told as before.
  const std::pair<const char*, const char*> cases[] = {
      {"big.k4k", "ファイルが大きすぎます"},
      {"bin.k4k", "UTF-8"},
      {"bad.k4k", "9行目: "},
      {"folder.k4k", "通常のファイルではありません"},
      {"pipe.k4k", "通常のファイルではありません"},
      {"missing.k4k", nullptr},
  };
  for (const auto& [name, message] : cases) {
    rig.dialogs.shown.clear();
    EXPECT_FALSE(rig.form.OpenRecord((dir_ / name).string()));
    ASSERT_EQ(rig.dialogs.shown.size(), 1u) << name;
    const std::string want = message ? "message 棋譜|" + (dir_ / name).string() + ": " + message
                                     : std::string("message 棋譜|ファイルがありません");
    EXPECT_EQ(rig.dialogs.shown[0].rfind(want, 0), 0u) << rig.dialogs.shown[0];
    EXPECT_EQ(Snapshot(rig.form), before) << name;
  }
}

TEST_F(RecordFiles, MutatedRecordsOpenedInTheWindowLeaveARefusedGameUntouched) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.JYUNBAN_1_Click();
  for (int i = 0; i < 20; ++i) rig.form.PlayComputerTurnForSeatToMove();
  const std::string text = WriteRecord(rig.form.TheGame(), "");
  const fs::path original = dir_ / "g.k4k", mutated = dir_ / "m.k4k";
  Put(original, text);
  ASSERT_TRUE(rig.form.OpenRecord(original.string()));
  const std::string before = Snapshot(rig.form);
  std::mt19937 rng(5);
  int refused = 0;
  for (int i = 0; i < 120; ++i) {
    std::string t = text;
    const size_t at = rng() % t.size();
    if (i % 2)
      t[at] = static_cast<char>(rng());
    else
      t.insert(at, 1, "0123456789 (下左上右\n"[rng() % 20]);
    Put(mutated, t);
    rig.dialogs.shown.clear();
    if (rig.form.OpenRecord(mutated.string())) {
      EXPECT_TRUE(rig.dialogs.shown.empty());
      ASSERT_TRUE(rig.form.OpenRecord(original.string()));  // back to the game under test
      continue;
    }
    ++refused;
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].rfind("message 棋譜|", 0), 0u);
    EXPECT_EQ(Snapshot(rig.form), before) << t;
  }
  EXPECT_GT(refused, 30);
}

TEST_F(RecordFiles, AFailedSaveLeavesTheOldFileWhole) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.PLAY_4_Click();
  fs::create_directory(dir_ / "locked");
  const fs::path target = dir_ / "locked" / "g.k4k";
  Put(target, "old record\n");
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  rig.dialogs.shown.clear();
  const bool saved = rig.form.SaveRecord(target.string());
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
  if (::geteuid() != 0) {  // root writes anywhere
    EXPECT_FALSE(saved);
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].rfind("message 棋譜|保存できません: ", 0), 0u);
    EXPECT_EQ(Slurp(target), "old record\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "locked"), {}), 1);
  }
  // A folder in the way is never replaced.
  fs::create_directory(dir_ / "folder.k4k");
  rig.dialogs.shown.clear();
  EXPECT_FALSE(rig.form.SaveRecord((dir_ / "folder.k4k").string()));
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.k4k"));
  EXPECT_EQ(rig.dialogs.shown.size(), 1u);
}

TEST_F(RecordFiles, TheUnfinishedGameIsKeptAtTheEndAndOpenedByZenkai) {
  std::string kept;
  {
    FormRig rig;
    rig.form.Form_Load();
    EXPECT_FALSE(rig.form.HasUnfinishedGame());
    rig.form.JYUNBAN_1_Click();
    for (int i = 0; i < 8; ++i) rig.form.PlayComputerTurnForSeatToMove();
    kept = WriteRecord(rig.form.TheGame(), "");
    rig.form.OWARI_Click();
    EXPECT_EQ(rig.host.events.back(), "exit");
  }
  FormRig next;
  next.form.Form_Load();
  EXPECT_TRUE(next.form.HasUnfinishedGame());
  EXPECT_EQ(next.form.State().GameStarted, false);  // start-up itself asks nothing
  next.form.ZENKAI_Click();
  EXPECT_EQ(WriteRecord(next.form.TheGame(), ""), kept);
  EXPECT_EQ(next.form.TheGame().MoveNumber(), 8);
}

TEST_F(RecordFiles, MattaTakesBackThePersonsMoveAndTheRepliesAndLeavesThePersonToMove) {
  FormRig rig;
  rig.form.Form_Load();
  rig.form.JYUNBAN_1_Click();
  // SITA (the person) moves; the three computers reply.
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(4) + 300, CellY(8) + 300);
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(4) + 300, CellY(7) + 300);
  const Game& g = rig.form.TheGame();
  ASSERT_EQ(g.HistoryCount(), 4);
  rig.dialogs.shown.clear();
  rig.form.MATTA_Click();
  EXPECT_EQ(g.HistoryCount(), 0);
  EXPECT_EQ(g.HistoryTop(), 4);
  EXPECT_EQ(rig.form.State().CurrentSeat, SITA);
  EXPECT_FALSE(g.ResumePending());
  EXPECT_TRUE(rig.dialogs.shown.empty());
  // The next press plays at once, with no question.
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(6) + 300, CellY(8) + 300);
  rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(6) + 300, CellY(7) + 300);
  EXPECT_TRUE(rig.dialogs.shown.empty() || rig.dialogs.shown[0].find("再開") == std::string::npos);
  EXPECT_EQ(NthMove(g, 1).fromX, 6);
  // With nothing of the person's to take back: refused.
  FormRig people;
  people.form.Form_Load();
  people.form.PLAY_4_Click();
  people.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(4) + 300, CellY(8) + 300);
  people.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(4) + 300, CellY(7) + 300);
  people.form.MATTA_Click();  // four people: one step back
  EXPECT_EQ(people.form.TheGame().HistoryCount(), 0);
  EXPECT_EQ(people.form.TheGame().HistoryTop(), 1);
}

TEST_F(RecordFiles, StepHistoryToDoesWhatTheSameStepsWould) {
  FormRig a, b;
  for (FormRig* r : {&a, &b}) {
    r->form.Form_Load();
    r->form.JYUNBAN_1_Click();
    for (int i = 0; i < 10; ++i) r->form.PlayComputerTurnForSeatToMove();
  }
  a.canvas.ops.clear();
  b.canvas.ops.clear();
  a.form.StepHistoryTo(3);
  for (int i = 0; i < 7; ++i) b.form.REPLAY_Click();
  EXPECT_EQ(Snapshot(a.form), Snapshot(b.form));
  EXPECT_EQ(a.canvas.ops.size(), b.canvas.ops.size());
  a.form.StepHistoryTo(6);
  for (int i = 0; i < 3; ++i) b.form.AFTER_Click();
  EXPECT_EQ(Snapshot(a.form), Snapshot(b.form));
}


// A start position with two kings of one seat, or more than nine rows, is refused at the
// line that ends the header; a game whose king was taken did not end by repetition.
TEST(GameRecord, StartPositionsAndResultsThatCannotBeAreRefused) {
  // A start position whose last row is given, and SITA's king's first step.
  auto board = [](const std::string& lastRow) {
    std::string rows;
    for (int y = 1; y <= 8; ++y) rows += "盤: ・ ・ ・ ・ ・ ・ ・ ・ ・\n";
    return std::string(HEAD) + rows + "盤: " + lastRow + "\n1 下 ５八王(59)\n";
  };
  ASSERT_TRUE(ReadRecord(board("右王 ・ ・ ・ 下王 ・ ・ ・ ・")).record);
  const std::pair<std::string, const char*> cases[] = {
      {board("下王 ・ ・ ・ 下王 ・ ・ ・ ・"), "下の王が二つあります"},
      {board("右王 ・ ・ ・ 下王 ・ ・ ・ 右王"), "右の王が二つあります"},
      {board("・ ・ ・ ・ 下王 ・ ・ ・ ・\n盤: ・ ・ ・ ・ ・ ・ ・ ・ ・"), "盤の段が多すぎます"},
  };
  for (const auto& [text, reason] : cases) {
    const RecordReading r = ReadRecord(text);
    EXPECT_FALSE(r.record) << text;
    EXPECT_EQ(r.error.line, 17) << r.error.Text();
    EXPECT_NE(r.error.reason.find(reason), std::string::npos) << r.error.Text();
  }

  Game g;
  for (unsigned seed = 1; seed < 400; ++seed) {
    g = RandomGame(seed);
    if (TookKing(g)) break;
  }
  ASSERT_TRUE(TookKing(g));
  // A game whose king was taken did not end by repetition.
  std::string repeated = WriteRecord(g, "");
  const size_t result = repeated.find("結果: 王取り");
  ASSERT_NE(result, std::string::npos);
  repeated.replace(result, std::string("結果: 王取り").size(), "結果: 千日手");
  const RecordReading both = ReadRecord(repeated);
  EXPECT_FALSE(both.record);
  EXPECT_EQ(both.error.line, 1 + std::count(repeated.begin(), repeated.begin() + result, '\n'));
  EXPECT_NE(both.error.reason.find("王を取った対局です"), std::string::npos) << both.error.Text();
}

// A new game starts without the passes of the one before: its record, kept at the end
// before its first move or saved after it, is that of a fresh game.
TEST(GameRecord, ANewGameForgetsThePassesOfTheOneBefore) {
  Game g, fresh;
  for (Game* each : {&g, &fresh}) {
    each->NewGame();
    each->SetSeats(HUMAN, HUMAN, HUMAN, HUMAN, 0);
    each->SetLevel(2);
    each->Fix().SetSeatToMove(SITA);
  }
  // SITA has nothing left and passes at once.
  g.Fix().SetBoard(testing::FromGrid(R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
25  .  .  .  .  .  .  . 45
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .)").Board);
  g.Pass(SITA);
  ASSERT_EQ(PassesOf(g).size(), 1u);
  ASSERT_TRUE(ReadRecord(WriteRecord(g, "")).record);

  for (Game* each : {&g, &fresh}) {
    each->NewGame();
    each->SetSeats(HUMAN, HUMAN, HUMAN, HUMAN, 0);
    each->Fix().SetSeatToMove(SITA);
  }
  EXPECT_EQ(WriteRecord(g, ""), WriteRecord(fresh, ""));
  for (Game* each : {&g, &fresh}) each->Play(SITA, LegalMoves(each->State()).front(), Game::Mover::PERSON);
  EXPECT_EQ(WriteRecord(g, ""), WriteRecord(fresh, ""));
}

// A game of four people is kept like one with computers; a game ended before its first
// move leaves the kept one alone; a game played to its end drops it, whether a person or
// a computer took the king.
TEST_F(RecordFiles, EveryUnfinishedGameIsKeptAndAGamePlayedToItsEndDropsIt) {
  auto press = [](FormRig& rig, int c, int r) {
    rig.form.Form_MouseDown(MouseButton::LEFT, 0, CellX(c) + 300, CellY(r) + 300);
  };
  auto keepFourPeoplesGame = [&] {
    FormRig rig;
    rig.form.Form_Load();
    rig.form.PLAY_4_Click();
    press(rig, 4, 8);
    press(rig, 4, 7);
    EXPECT_EQ(rig.form.TheGame().HistoryCount(), 1);
    rig.form.OWARI_Click();
    return WriteRecord(rig.form.TheGame(), "");
  };
  auto kept = [] {
    FormRig rig;
    rig.form.Form_Load();
    if (!rig.form.HasUnfinishedGame()) return std::string();
    rig.form.ZENKAI_Click();
    return WriteRecord(rig.form.TheGame(), "");
  };
  const std::string fourPeople = keepFourPeoplesGame();
  ASSERT_NE(fourPeople.find("対局: 四人対局\n"), std::string::npos);
  EXPECT_EQ(kept(), fourPeople);
  {
    FormRig rig;
    rig.form.Form_Load();
    rig.form.JYUNBAN_1_Click();
    rig.form.OWARI_Click();
  }
  EXPECT_EQ(kept(), fourPeople);

  {  // SITA takes HIDARI's king on 5三; no other game.
    FormRig rig;
    rig.dialogs.answers = {false};
    rig.form.Form_Load();
    rig.form.PLAY_4_Click();
    rig.form.SetBoard(testing::FromGrid(R"(
 .  .  .  . 35  .  .  .  .
 .  .  .  . 11  .  .  .  .
 .  .  .  . 25  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  . 14  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
45  .  .  .  .  .  .  .  .
 .  .  .  . 15  .  .  .  .)").Board);
    press(rig, 5, 5);
    press(rig, 5, 3);
    ASSERT_TRUE(rig.form.Ended());
  }
  EXPECT_EQ(kept(), "");
  FormRig none;
  none.form.Form_Load();
  none.form.ZENKAI_Click();
  EXPECT_EQ(none.dialogs.shown.back(), "message 棋譜|前回の続きはありません");

  keepFourPeoplesGame();
  ASSERT_NE(kept(), "");
  {  // MIGI, a computer, takes UE's king; no other game.
    FormRig rig;
    rig.dialogs.answers = {false};
    rig.form.Form_Load();
    rig.form.JYUNBAN_1_Click();
    rig.form.SetBoard(testing::FromGrid(R"(
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
15  .  .  .  .  . 35  . 44
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 .  .  .  .  .  .  .  .  .
 . 25  .  .  .  .  .  . 45
 .  .  .  .  .  .  .  .  .)").Board);
    rig.form.SetSeatToMove(MIGI);
    rig.form.JYUNBAN_1_Click();
    ASSERT_TRUE(rig.form.Ended());
    ASSERT_TRUE(rig.form.State().GameOver);
  }
  EXPECT_EQ(kept(), "");
}

}  // namespace
}  // namespace korvel
