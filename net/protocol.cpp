#include "net/protocol.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <cmath>

namespace korvel::net {

std::optional<QJsonObject> ParseMessage(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  if (bytes.size() > kMaxMessageBytes) return std::nullopt;
  QJsonParseError err;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
  if (err.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  QJsonObject o = doc.object();
  if (!o.value("t").isString()) return std::nullopt;
  return o;
}

QString Serialize(const QJsonObject& msg) {
  return QString::fromUtf8(QJsonDocument(msg).toJson(QJsonDocument::Compact));
}

std::optional<int> IntField(const QJsonObject& o, const char* key, int lo, int hi) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  if (!std::isfinite(d) || d != std::floor(d) || d < lo || d > hi) return std::nullopt;
  return static_cast<int>(d);
}

std::optional<bool> BoolField(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isBool()) return std::nullopt;
  return v.toBool();
}

std::optional<int> SeatField(const QJsonObject& o, const char* key) {
  return IntField(o, key, 1, 4);
}

std::optional<QString> NameField(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isString()) return std::nullopt;
  return CheckedName(v.toString());
}

std::optional<QString> CheckedName(const QString& text) {
  const QString name = text.trimmed();
  const std::u32string chars = CodePointsOf(name);
  if (chars.empty() || chars.size() > static_cast<size_t>(kMaxNameChars)) return std::nullopt;
  for (const char32_t c : chars) {
    const QChar::Category k = QChar::category(c);
    if (QChar::isSurrogate(c) || k == QChar::Other_Control || k == QChar::Other_Format ||
        k == QChar::Separator_Line || k == QChar::Separator_Paragraph)
      return std::nullopt;
  }
  return name;
}

std::u32string CodePointsOf(QStringView text) {
  std::u32string out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
      out += QChar::surrogateToUcs4(c, text[++i]);
    else
      out += c.unicode();
  }
  return out;
}

QString LeftCodePoints(const QString& text, qsizetype n) {
  qsizetype end = 0;
  for (; end < text.size() && n > 0; ++end, --n)
    if (text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate())
      ++end;
  return text.left(end);
}

namespace {

std::optional<QString> CharsField(const QJsonObject& o, const char* key, int lo, int hi, bool hex) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isString()) return std::nullopt;
  const QString s = v.toString();
  if (s.size() < lo || s.size() > hi) return std::nullopt;
  for (const QChar c : s) {
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const bool letter = hex ? (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                            : (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    if (!digit && !letter) return std::nullopt;
  }
  return s;
}

}  // namespace

std::optional<QString> CodeField(const QJsonObject& o, const char* key) {
  return CharsField(o, key, kMinRoomCodeChars, 16, false);
}

bool IsRoomCode(const QString& text) {
  return CodeField(QJsonObject{{"room", text}}, "room").has_value();
}

std::optional<QString> TokenField(const QJsonObject& o, const char* key) {
  return CharsField(o, key, 32, 32, true);
}

std::optional<Square> SquareField(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isArray()) return std::nullopt;
  const QJsonArray a = v.toArray();
  if (a.size() != 2) return std::nullopt;
  QJsonObject xy;
  xy.insert("x", a.at(0));
  xy.insert("y", a.at(1));
  const auto x = IntField(xy, "x", HAND_X_LEFT, HAND_X_RIGHT);
  const auto y = IntField(xy, "y", -1, 10);
  if (!x || !y) return std::nullopt;
  if (!OnBoard(*x, *y) && HandCellSeat(*x, *y) == NO_SEAT) return std::nullopt;
  return Square{*x, *y};
}

std::optional<PieceCode> PieceField(const QJsonObject& o, const char* key, bool allowEmpty) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  if (!std::isfinite(d) || d < 0 || d > 46) return std::nullopt;
  const double halves = d * 2;
  if (halves != std::floor(halves)) return std::nullopt;
  const PieceCode c = PieceCode::FromHalves(static_cast<int>(halves));
  if (c.IsEmpty()) {
    if (allowEmpty) return c;
    return std::nullopt;
  }
  if (SeatOfCode(c) == NO_SEAT || KindOf(c) < HU || KindOf(c) > OU) return std::nullopt;
  return c;
}

QJsonArray SquareJson(int x, int y) {
  return QJsonArray{x, y};
}

double PieceJson(PieceCode c) {
  return c.Halves() / 2.0;
}

QString NewRoomCode() {
  // No 0/O, 1/I/L: a code read out over the phone stays unambiguous.
  static const char kAlphabet[] = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
  constexpr int n = sizeof kAlphabet - 1;
  QString code;
  for (int i = 0; i < kRoomCodeChars; ++i)
    code += QLatin1Char(kAlphabet[QRandomGenerator::system()->bounded(n)]);
  return code;
}

QString NewToken() {
  QString token;
  for (int i = 0; i < 4; ++i)
    token +=
        QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
  return token;
}

QJsonObject ErrorMessage(const QString& code, const QString& text) {
  return QJsonObject{{"t", "error"}, {"code", code}, {"text", text}};
}

namespace {

std::optional<std::int64_t> Millis(const QJsonObject& o, const char* key, std::int64_t hi) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  if (!(d >= 0 && d <= static_cast<double>(hi)) || d != static_cast<double>(static_cast<std::int64_t>(d)))
    return std::nullopt;
  return static_cast<std::int64_t>(d);
}

std::optional<TimeControl> OneTimeControl(const QJsonValue& v) {
  if (!v.isObject()) return std::nullopt;
  const QJsonObject o = v.toObject();
  const auto main = Millis(o, "main", MAX_MAIN_MS), byoyomi = Millis(o, "byoyomi", MAX_BYOYOMI_MS);
  if (!main || !byoyomi) return std::nullopt;
  return TimeControl{*main, *byoyomi};
}

}  // namespace

std::optional<GameTimeControl> TimeControlField(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isObject()) {
    const auto every = OneTimeControl(v);
    if (!every) return std::nullopt;
    return GameTimeControl::Every(*every);
  }
  if (!v.isArray() || v.toArray().size() != 4) return std::nullopt;
  GameTimeControl g;
  for (int seat = 1; seat <= 4; ++seat) {
    const auto c = OneTimeControl(v.toArray().at(seat - 1));
    if (!c) return std::nullopt;
    g.seat[seat] = *c;
  }
  return g;
}

QJsonArray TimeControlJson(const GameTimeControl& control) {
  QJsonArray a;
  for (int seat = 1; seat <= 4; ++seat)
    a.append(QJsonObject{{"main", static_cast<double>(control.seat[seat].mainMs)},
                         {"byoyomi", static_cast<double>(control.seat[seat].byoyomiMs)}});
  return a;
}

QJsonArray ClocksJson(const SeatClocks& clocks, std::int64_t now) {
  QJsonArray a;
  for (int seat = 1; seat <= 4; ++seat) {
    const SeatClocks::Left l = clocks.LeftAt(seat, now);
    a.append(QJsonObject{{"main", static_cast<double>(l.mainMs)},
                         {"byoyomi", static_cast<double>(l.byoyomiMs)}});
  }
  return a;
}

std::optional<std::array<SeatClocks::Left, 5>> ClocksField(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (!v.isArray() || v.toArray().size() != 4) return std::nullopt;
  std::array<SeatClocks::Left, 5> left{};
  for (int seat = 1; seat <= 4; ++seat) {
    const auto c = OneTimeControl(v.toArray().at(seat - 1));
    if (!c) return std::nullopt;
    left[seat] = {c->mainMs, c->byoyomiMs};
  }
  return left;
}

}  // namespace korvel::net
