#include "net/client_words.h"

#include <initializer_list>
#include <vector>

#include "play/texts.h"

namespace korvel::net {

namespace {

using enum TextId;
using Ids = std::initializer_list<TextId>;

// The texts that may stand as the part of a format: a seat's prompt, a team, a person (a
// name alone stays as it came).
std::vector<TextId> PartsOf(TextId format) {
  switch (format) {
    case CHECK_SEAT:
    case COMPUTER_TAKES_OVER: return {PROMPT_SITA, PROMPT_HIDARI, PROMPT_UE, PROMPT_MIGI};
    case WINS: return {TEAM_FIRST, TEAM_SECOND};
    case CONNECTION_LOST: return {PERSON_HOST, PERSON};
    case NO_MOVE_PASS: return {SEAT_WORD_SITA, SEAT_WORD_HIDARI, SEAT_WORD_UE, SEAT_WORD_MIGI};
    case TIME_UP_WINS:
      return {SEAT_WORD_SITA, SEAT_WORD_HIDARI, SEAT_WORD_UE, SEAT_WORD_MIGI, TEAM_FIRST, TEAM_SECOND};
    default: return {};
  }
}

QString Shown(const QString& received, const std::vector<TextId>& candidates, int depth);

// Whether `received` is the Japanese format `id` with its parts put in; the window's words
// of it (each part shown in the window's language too, a name as it came) when it is.
bool Match(const QString& received, TextId id, int depth, QString* out) {
  std::vector<QString> pieces;  // the literal stretches, a part between each two
  std::vector<int> parts;
  QString literal;
  WalkFormat(
      TextIn(Language::JAPANESE, id),
      [&](std::string_view s) { literal += QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); },
      [&](int n) {
        pieces.push_back(literal);
        literal.clear();
        parts.push_back(n);
      });
  pieces.push_back(literal);
  if (parts.empty()) {
    if (received != pieces[0]) return false;
    *out = QString::fromUtf8(Text(id));
    return true;
  }
  // One part at most stands in every format the room sends.
  if (parts.size() != 1 || !received.startsWith(pieces[0]) || !received.endsWith(pieces[1]) ||
      received.size() < pieces[0].size() + pieces[1].size())
    return false;
  const QString part = received.mid(pieces[0].size(), received.size() - pieces[0].size() - pieces[1].size());
  const QString shownPart = depth > 0 ? Shown(part, PartsOf(id), depth - 1) : part;
  QString filled;
  WalkFormat(
      Text(id),
      [&](std::string_view s) { filled += QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); },
      [&](int) { filled += shownPart; });
  *out = filled;
  return true;
}

QString Shown(const QString& received, const std::vector<TextId>& candidates, int depth) {
  if (CurrentLanguage() == Language::JAPANESE) return received;
  QString out;
  for (TextId id : candidates)
    if (Match(received, id, depth, &out)) return out;
  return received;
}

QString Shown(const QString& received, Ids candidates) {
  return Shown(received, std::vector<TextId>(candidates), 2);
}

}  // namespace

ShownWords WordsOfRefusal(const Refusal& r) {
  const Ids prompts = {PROMPT_SITA, PROMPT_HIDARI, PROMPT_UE, PROMPT_MIGI};
  auto words = [&](Ids titles, Ids sentences) {
    return ShownWords{Shown(r.text, titles), Shown(r.detail, sentences)};
  };
  const QString& c = r.code;
  if (c == "not-started") return words({TITLE_START}, {NOT_STARTED});
  if (c == "over") return words({TITLE_END}, {GAME_ENDED});
  if (c == "turn" || c == "seats" || c == "seat-present")
    return words({WRONG_TURN, SEATS_MISSING, SEAT_PRESENT}, prompts);
  if (c == "illegal") return words({TITLE_FORBIDDEN}, {NOT_OWN_PIECE, CANNOT_PROMOTE, CANNOT_MOVE});
  if (c == "partner") return words({TITLE_FORBIDDEN}, {PARTNER_CHECK});
  if (c == "promote") return words({TITLE_PROMOTE}, {MUST_PROMOTE});
  if (c == "host-only") return words({HOST_ONLY}, {TITLE_START, TITLE_AGAIN, TITLE_HANDOVER});
  if (c == "started" || c == "not-over") return words({IN_PLAY}, {});
  if (c == "wait") return words({STILL_WAITING}, {WAIT_SECONDS});
  if (c == "stale") return words({WRONG_TURN}, {WAIT_FOR_NEWEST});
  return {r.text, r.detail};
}

QString WordsOfNotice(const QString& code, const QString& text) {
  if (code == "check") return Shown(text, {CHECK_SEAT});
  if (code == "mate") return Shown(text, {TITLE_MATE});
  if (code == "back") return Shown(text, {CAME_BACK});
  if (code == "missing") return Shown(text, {CONNECTION_LOST});
  if (code == "computer") return Shown(text, {COMPUTER_TAKES_OVER});
  if (code == "pass") return Shown(text, {NO_MOVE_PASS});
  return text;
}

QString WordsOfOver(const QString& text) {
  return Shown(text, {WINS, KING_TAKEN_END, REPETITION_END, GAME_ENDED, TIME_UP_WINS});
}

QString WordsOfAsk(const QString& text) { return Shown(text, {CONTINUE}); }

QString WordsOfClosed(const QString& text) {
  return Shown(text, {HOST_ENDED, NET_HOST_STOPPED, ROOM_CLOSED});
}

QString WordsOfError(const ErrorReply& e) {
  if (e.code == "closed") return Shown(e.text, {ROOM_CLOSED});
  if (e.code == "seat-computer") return Shown(e.text, {SEAT_COMPUTER});
  if (e.code == "seat-taken") return Shown(e.text, {SEAT_TAKEN});
  if (e.code == "token") return Shown(e.text, {BAD_TOKEN});
  return e.text;
}

}  // namespace korvel::net
