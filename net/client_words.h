// What a window shows for the authority's messages, in the window's language. The protocol's
// version 1 sends Japanese texts beside a code; the code says which texts of the table the
// message may hold, the received text says which one (and its parts: a name, a number, a
// seat's prompt), and the window shows that text in its own language. A text the code does
// not know (another version of the authority, the server's own errors) is shown as it came;
// so is every text in a Japanese window.
#pragma once

#include <QString>

#include "net/client.h"

namespace korvel::net {

struct ShownWords {
  QString title, sentence;
};

// A refused message: the box's title and sentence.
ShownWords WordsOfRefusal(const Refusal& r);
// A notice ("check", "mate", "back", "missing", "computer").
QString WordsOfNotice(const QString& code, const QString& text);
// The end of a game, the host's question after it, and a room that closed.
QString WordsOfOver(const QString& text);
QString WordsOfAsk(const QString& text);
QString WordsOfClosed(const QString& text);
// The answer to a message the authority could not take.
QString WordsOfError(const ErrorReply& e);

}  // namespace korvel::net
