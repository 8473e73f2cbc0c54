// The fields of the network's messages as the protocol allows them: every type and range
// checked before anything uses it, at both ends of each range, and the turns a client
// takes from the authority's announcements.
#include "net/protocol.h"

#include <gtest/gtest.h>

#include "net/game_record.h"

namespace korvel::net {
namespace {

QJsonObject With(const QJsonValue& v) {
  return QJsonObject{{"f", v}};
}

TEST(ProtocolFields, NumbersSeatsAndMessages) {
  EXPECT_EQ(IntField(With(1), "f", 1, 4), 1);
  EXPECT_EQ(IntField(With(4), "f", 1, 4), 4);
  for (const QJsonValue& bad : {QJsonValue(0), QJsonValue(5), QJsonValue(1.5), QJsonValue("1"),
                                QJsonValue(true), QJsonValue(QJsonArray{1}), QJsonValue()})
    EXPECT_FALSE(IntField(With(bad), "f", 1, 4)) << bad.toVariant().toString().toStdString();
  EXPECT_FALSE(IntField(QJsonObject{}, "f", 1, 4));
  EXPECT_EQ(SeatField(With(4), "f"), 4);
  EXPECT_FALSE(SeatField(With(0), "f"));
  EXPECT_EQ(BoolField(With(false), "f"), false);
  EXPECT_FALSE(BoolField(With(0), "f"));

  auto padded = [](int bytes) {
    const int empty = static_cast<int>(Serialize({{"t", "ping"}, {"p", ""}}).size());
    return Serialize({{"t", "ping"}, {"p", QString(bytes - empty, QLatin1Char('x'))}});
  };
  ASSERT_EQ(padded(4096).toUtf8().size(), 4096);
  EXPECT_TRUE(ParseMessage(padded(4096)));
  EXPECT_FALSE(ParseMessage(padded(4097)));
  for (const char* bad : {"", "[]", "{\"t\":1}", "{\"u\":\"ping\"}", "{\"t\":\"ping\"", "\"t\""})
    EXPECT_FALSE(ParseMessage(QString::fromUtf8(bad))) << bad;
}

TEST(ProtocolFields, NamesCodesAndTokens) {
  EXPECT_EQ(NameField(With(QStringLiteral("  名前 ")), "f"), QStringLiteral("名前"));
  EXPECT_EQ(NameField(With(QString(24, QChar(0x3042))), "f"), QString(24, QChar(0x3042)));
  EXPECT_EQ(NameField(With(QString(24, 'n') + "  "), "f"), QString(24, 'n'));
  for (const QString& bad :
       {QString(), QStringLiteral("   "), QString(25, 'n'), QStringLiteral("a\nb"),
        QStringLiteral("a\tb"), QStringLiteral("a\u200Eb"), QStringLiteral("a\u2028b"),
        QStringLiteral("a") + QChar(0xD800)})
    EXPECT_FALSE(NameField(With(bad), "f")) << bad.toStdString();
  EXPECT_FALSE(NameField(With(7), "f"));

  // Characters are code points: 24 outside the BMP (48 UTF-16 units) are a name, 25 are not;
  // a lone or reversed surrogate, and a format character outside the BMP, are refused.
  const QString yoshi = QString::fromUtf8("\U00020BB7");
  EXPECT_EQ(NameField(With(yoshi + QString::fromUtf8("田")), "f"), yoshi + QString::fromUtf8("田"));
  EXPECT_EQ(NameField(With(yoshi.repeated(24)), "f"), yoshi.repeated(24));
  EXPECT_EQ(NameField(With(yoshi.repeated(23) + "n"), "f"), yoshi.repeated(23) + "n");
  const QChar high = yoshi[0], low = yoshi[1];
  for (const QString& bad : {yoshi.repeated(25), yoshi.repeated(24) + "n", QString(high),
                             QString(low) + "a", QString("a") + low + high,
                             yoshi.repeated(2) + high, QString::fromUtf8("a\U000E0001b")})
    EXPECT_FALSE(NameField(With(bad), "f")) << bad.toStdString();
  // Cut to 24 characters for a record, never inside a pair; a lone surrogate made a blank.
  EXPECT_EQ(LeftCodePoints("n" + yoshi.repeated(30), 24), "n" + yoshi.repeated(23));
  EXPECT_EQ(LeftCodePoints(yoshi + "ab", 2), yoshi + "a");
  EXPECT_EQ(CodePointsOf(yoshi + high + "a"), (std::u32string{0x20BB7, 0xD842, U'a'}));
  EXPECT_EQ(RecordableName("a" + yoshi.repeated(30)), "a" + yoshi.repeated(23));
  EXPECT_EQ(RecordableName(QString("a") + low + "b" + yoshi), QString("a b") + yoshi);

  for (const char* good : {"ABC234", "TESTROOM", "ABCDEFGHJKMNPQRS"})
    EXPECT_EQ(CodeField(With(good), "f"), QString::fromLatin1(good));
  for (const char* bad : {"ABCDE", "ABCDEFGHJKMNPQRST", "abcdef", "ABC-EF", "ABCDÉF", "ABC DEF"})
    EXPECT_FALSE(CodeField(With(QString::fromUtf8(bad)), "f")) << bad;
  for (int i = 0; i < 20; ++i) {
    const QString code = NewRoomCode(), token = NewToken();
    EXPECT_EQ(code.size(), kRoomCodeChars);
    EXPECT_EQ(CodeField(With(code), "f"), code);
    EXPECT_EQ(TokenField(With(token), "f"), token);
  }
  const QString hex = QStringLiteral("0123456789abcdef0123456789abcdef");
  EXPECT_EQ(TokenField(With(hex), "f"), hex);
  for (const QString& bad : {hex.toUpper(), hex.left(31), hex + "0",
                             QString(hex).replace(5, 1, QLatin1Char('g'))})
    EXPECT_FALSE(TokenField(With(bad), "f")) << bad.toStdString();
}

TEST(ProtocolFields, SquaresAndPieces) {
  for (int x = 1; x <= 9; x += 8)
    for (int y = 1; y <= 9; y += 8) EXPECT_TRUE(SquareField(With(SquareJson(x, y)), "f"));
  for (int seat = 1; seat <= 4; ++seat)
    for (int slot = 1; slot <= 4; ++slot) {
      const Square cell = HandCellOf(seat, slot);
      const auto read = SquareField(With(SquareJson(cell.x, cell.y)), "f");
      ASSERT_TRUE(read) << seat << " " << slot;
      EXPECT_EQ(HandCellSeat(read->x, read->y), seat);
    }
  int handCells = 0;
  for (int x = -3; x <= 13; ++x)
    for (int y = -3; y <= 13; ++y)
      if (!OnBoard(x, y)) handCells += SquareField(With(SquareJson(x, y)), "f").has_value();
  EXPECT_EQ(handCells, 16);
  for (const QJsonValue& bad : {QJsonValue(QJsonArray{5}), QJsonValue(QJsonArray{5, 5, 5}),
                                QJsonValue(QJsonArray{5.5, 5}), QJsonValue(QJsonArray{"5", 5}),
                                QJsonValue(5)})
    EXPECT_FALSE(SquareField(With(bad), "f"));

  EXPECT_EQ(PieceField(With(14.5), "f", false), 14.5_pc);
  EXPECT_EQ(PieceField(With(45), "f", false), 45_pc);
  EXPECT_EQ(PieceField(With(0), "f", true), EMPTY);
  for (double bad : {0.0, 14.25, 16.0, 10.0, 46.5, -11.0, 1e300})
    EXPECT_FALSE(PieceField(With(bad), "f", false)) << bad;
  EXPECT_DOUBLE_EQ(PieceJson(14.5_pc), 14.5);
}

// A turn as the authority announces it comes back as it went; one a client could not play
// (no seat, no square on the board to go to, an unknown mover) is no turn at all.
TEST(ProtocolFields, AnnouncedTurns) {
  Turn move;
  move.seat = HIDARI;
  move.next = UE;
  move.byComputer = true;
  move.move = {2, 3, 3, 3, 21_pc, 21_pc};
  Turn drop;
  drop.seat = SITA;
  drop.next = HIDARI;
  const Square cell = HandCellOf(SITA, 2);
  drop.move = {cell.x, cell.y, 5, 5, 12_pc, 12_pc};
  Turn pass;
  pass.seat = MIGI;
  pass.next = SITA;
  pass.pass = true;
  for (const Turn& t : {move, drop, pass}) {
    const auto back = TurnFromJson(TurnJson(t));
    ASSERT_TRUE(back);
    EXPECT_EQ(TurnJson(*back), TurnJson(t));
  }
  const QJsonObject good = TurnJson(move);
  auto changed = [&](const char* key, const QJsonValue& v) {
    QJsonObject o = good;
    o.insert(key, v);
    return o;
  };
  const Square hand = HandCellOf(MIGI, 1);
  const QJsonObject bad[] = {
      changed("seat", 0),           changed("seat", 5),
      changed("next", 5),           changed("next", -1),
      changed("by", "robot"),       changed("from", QJsonArray{0, 3}),
      changed("to", SquareJson(hand.x, hand.y)),
      changed("before", 0),         changed("placed", 16),
      changed("pass", false),       changed("pass", 1),
  };
  for (const QJsonObject& o : bad)
    EXPECT_FALSE(TurnFromJson(o)) << Serialize(o).toStdString();
  QJsonObject noFrom = good;
  noFrom.remove("from");
  EXPECT_FALSE(TurnFromJson(noFrom));
  EXPECT_FALSE(TurnsFromJson(QJsonArray{good, 3}));
  EXPECT_EQ(TurnsFromJson(QJsonArray{good, TurnJson(pass)})->size(), 2u);
}

}  // namespace
}  // namespace korvel::net
