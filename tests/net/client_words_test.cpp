// The window's words for the authority's messages: chosen by the message's code, shown in
// the window's language, and exactly the received text in a Japanese window.
#include <gtest/gtest.h>

#include "net/client_words.h"
#include "play/texts.h"

namespace korvel::net {
namespace {

QString Ja(TextId id) { return QString::fromUtf8(TextIn(Language::JAPANESE, id)); }

struct ClientWords : ::testing::Test {
  void TearDown() override { SetLanguage(Language::JAPANESE); }
};

TEST_F(ClientWords, RefusalsAreShownFromTheirCodeInTheWindowsLanguage) {
  using enum TextId;
  struct Case {
    const char* code;
    QString text, detail;
    const char *title, *sentence;  // in English
  };
  const Case cases[] = {
      {"turn", Ja(WRONG_TURN), Ja(PROMPT_MIGI), "It is not your turn", "East's turn"},
      {"illegal", Ja(TITLE_FORBIDDEN), Ja(NOT_OWN_PIECE), "Illegal move", "That is not your piece"},
      {"illegal", Ja(TITLE_FORBIDDEN), Ja(CANNOT_PROMOTE), "Illegal move", "That piece cannot promote"},
      {"illegal", Ja(TITLE_FORBIDDEN), Ja(CANNOT_MOVE), "Illegal move", "That piece cannot move there"},
      {"partner", Ja(TITLE_FORBIDDEN), Ja(PARTNER_CHECK), "Illegal move", "You cannot check your partner"},
      {"promote", Ja(TITLE_PROMOTE), Ja(MUST_PROMOTE), "Promotion", "That piece must promote"},
      {"not-started", Ja(TITLE_START), Ja(NOT_STARTED), "Start", "The game has not started"},
      {"over", Ja(TITLE_END), Ja(GAME_ENDED), "Game over", "This game is over"},
      {"host-only", Ja(HOST_ONLY), Ja(TITLE_HANDOVER), "Only the host can do that", "Hand over"},
      {"started", Ja(IN_PLAY), "", "A game is in play", ""},
      {"seats", Ja(SEATS_MISSING), Ja(PROMPT_UE), "Not every seat is filled", "North's turn"},
      {"wait", Ja(STILL_WAITING), QStringLiteral("30秒待ってから交代できます"), "Still waiting",
       "The seat can be handed over after 30 seconds"},
      {"stale", Ja(WRONG_TURN), Ja(WAIT_FOR_NEWEST), "It is not your turn", "Wait for the newest move"},
      // A code or a text this window does not know is shown as it came.
      {"future", QStringLiteral("新しい"), QStringLiteral("理由"), "新しい", "理由"},
      {"illegal", Ja(TITLE_FORBIDDEN), QStringLiteral("別の理由"), "Illegal move", "別の理由"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const Refusal r{QString::fromLatin1(c.code), c.text, c.detail};
    SetLanguage(Language::JAPANESE);
    EXPECT_EQ(WordsOfRefusal(r).title, c.text);
    EXPECT_EQ(WordsOfRefusal(r).sentence, c.detail);
    SetLanguage(Language::ENGLISH);
    EXPECT_EQ(WordsOfRefusal(r).title, QString::fromUtf8(c.title));
    EXPECT_EQ(WordsOfRefusal(r).sentence, QString::fromUtf8(c.sentence));
  }
}

TEST_F(ClientWords, NoticesEndsAndErrorsKeepTheirPartsAndNames) {
  SetLanguage(Language::ENGLISH);
  EXPECT_EQ(WordsOfNotice("check", QStringLiteral("王手です 左の番です")), "Check! West's turn");
  EXPECT_EQ(WordsOfNotice("mate", Ja(TextId::TITLE_MATE)), "Checkmate?");
  EXPECT_EQ(WordsOfNotice("back", QStringLiteral("下の番ですさんが戻りました")), "下の番です is back");
  EXPECT_EQ(WordsOfNotice("missing", QStringLiteral("花子さん（主催者）の接続が切れました。戻るのを待っています")),
            "花子 (host) lost the connection. Waiting for them to come back");
  EXPECT_EQ(WordsOfNotice("computer", QStringLiteral("上の番です コンピュータが代わりに指します")),
            "North's turn The computer plays instead");
  EXPECT_EQ(WordsOfNotice("pass", QStringLiteral("右は指せる手がないのでパスします")),
            "East has no move and passes");
  EXPECT_EQ(WordsOfOver(QStringLiteral("後手組みの勝ちです")), "Team West/East wins");
  EXPECT_EQ(WordsOfAsk(Ja(TextId::CONTINUE)), "Play again?");
  EXPECT_EQ(WordsOfClosed(Ja(TextId::HOST_ENDED)), "The host ended the game");
  EXPECT_EQ(WordsOfError({"seat-taken", Ja(TextId::SEAT_TAKEN)}), "That seat is taken");
  EXPECT_EQ(WordsOfError({"bad-name", "name too long"}), "name too long");
  SetLanguage(Language::JAPANESE);
  EXPECT_EQ(WordsOfOver(QStringLiteral("後手組みの勝ちです")), QStringLiteral("後手組みの勝ちです"));
}

}  // namespace
}  // namespace korvel::net
