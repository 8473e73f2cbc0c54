// The network game's messages: small JSON objects over a WebSocket, one per text message.
// Everything read here comes from the network and is untrusted: every field is checked
// for type and range before anything uses it (docs/network-protocol.md lists them all).
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <string>

#include "game/move.h"
#include "play/clock.h"

namespace korvel::net {

inline constexpr int kProtocolVersion = 1;
// Version 2 adds the position, the legal destinations and watchers to version 1
// (docs/network-protocol.md); a connection speaks it when its first message says so.
inline constexpr int kProtocolVersion2 = 2;
// Watchers a room admits at once (version 2).
inline constexpr int kMaxWatchers = 50;
inline constexpr int kMaxMessageBytes = 4096;
inline constexpr int kMaxNameChars = 24;
inline constexpr int kRoomCodeChars = 8;
inline constexpr int kMinRoomCodeChars = 6;
// A welcome carries at most this many turns (the newest; the move limit's default, so a
// game under it is welcomed whole); the earlier ones are asked for with `turns`, at most
// kTurnsPage a time.
inline constexpr int kWelcomeTurns = 2000;
inline constexpr int kTurnsPage = 1000;

// Parses one text message: a JSON object of at most kMaxMessageBytes bytes with a string
// field "t". Empty for anything else.
std::optional<QJsonObject> ParseMessage(const QString& text);
QString Serialize(const QJsonObject& msg);

// The fields as the protocol allows them; empty when missing, of the wrong type or out of
// range.
std::optional<int> IntField(const QJsonObject& o, const char* key, int lo, int hi);
std::optional<bool> BoolField(const QJsonObject& o, const char* key);
std::optional<int> SeatField(const QJsonObject& o, const char* key);
// A player's name: 1..kMaxNameChars characters (code points: a character outside the BMP
// counts once), trimmed; no control, format or line or paragraph separator characters, no
// lone surrogate.
std::optional<QString> NameField(const QJsonObject& o, const char* key);
// A room code: kMinRoomCodeChars..16 characters of [A-Z0-9].
std::optional<QString> CodeField(const QJsonObject& o, const char* key);
// The same two checks for a text given on this side (a command line, a script).
std::optional<QString> CheckedName(const QString& text);
bool IsRoomCode(const QString& text);
// A text's code points: a surrogate pair is one, a lone surrogate stays as it is.
std::u32string CodePointsOf(QStringView text);
// The first `n` code points of a text: a surrogate pair is never split.
QString LeftCodePoints(const QString& text, qsizetype n);
// A token: 32 hexadecimal digits.
std::optional<QString> TokenField(const QJsonObject& o, const char* key);
// A square [x, y]: a board square (1..9, 1..9) or a hand cell.
std::optional<Square> SquareField(const QJsonObject& o, const char* key);
// A piece code as a number (14.5); empty, or EMPTY allowed with allowEmpty.
std::optional<PieceCode> PieceField(const QJsonObject& o, const char* key, bool allowEmpty);

// A time control (play/clock.h) on the wire: `clock`, an array of four
// {"main": ms, "byoyomi": ms} for seats 1..4; `create` may also carry one such object for
// every seat. Empty when malformed or out of range (an array that turns no clock on is off).
std::optional<GameTimeControl> TimeControlField(const QJsonObject& o, const char* key);
QJsonArray TimeControlJson(const GameTimeControl& control);
// The clocks' remaining times at `now`: `clocks`, four {"main": ms, "byoyomi": ms}.
QJsonArray ClocksJson(const SeatClocks& clocks, std::int64_t now);
// Read back (four entries of times within the limits); empty for anything else.
std::optional<std::array<SeatClocks::Left, 5>> ClocksField(const QJsonObject& o, const char* key);

QJsonArray SquareJson(int x, int y);
double PieceJson(PieceCode c);

// Secure random texts: a room code of kRoomCodeChars letters and digits (no look-alikes),
// a 128-bit token in hexadecimal.
QString NewRoomCode();
QString NewToken();

// An error answer: {"t":"error","code":code,"text":text}.
QJsonObject ErrorMessage(const QString& code, const QString& text);

}  // namespace korvel::net
