#include "play/texts.h"

#include <atomic>

#include "game/pieces.h"

namespace korvel {

const char* TextIn(Language language, TextId id) {
  switch (language) {
    case Language::JAPANESE: return JapaneseText(id);
    case Language::ENGLISH: return EnglishText(id);
  }
  return JapaneseText(id);
}

namespace {
// Read by the server's threads too (through Text in shared code), so kept atomic.
std::atomic<Language> language{Language::JAPANESE};
}  // namespace

void SetLanguage(Language l) { language.store(l, std::memory_order_relaxed); }
Language CurrentLanguage() { return language.load(std::memory_order_relaxed); }

const char* Text(TextId id) { return TextIn(CurrentLanguage(), id); }

std::string Fill(std::string_view format, std::initializer_list<std::string_view> parts) {
  std::string out;
  WalkFormat(
      format, [&](std::string_view literal) { out += literal; },
      [&](int n) {
        if (static_cast<size_t>(n) <= parts.size()) out += parts.begin()[n - 1];
      });
  return out;
}

TextId TeamNameId(int seat) { return IsFirstTeam(seat) ? TextId::TEAM_FIRST : TextId::TEAM_SECOND; }

TextId SeatPromptId(int seat) {
  switch (seat) {
    case SITA: return TextId::PROMPT_SITA;
    case HIDARI: return TextId::PROMPT_HIDARI;
    case UE: return TextId::PROMPT_UE;
    case MIGI: return TextId::PROMPT_MIGI;
    default: return TextId::NONE;
  }
}

TextId SeatWordId(int seat) {
  switch (seat) {
    case SITA: return TextId::SEAT_WORD_SITA;
    case HIDARI: return TextId::SEAT_WORD_HIDARI;
    case UE: return TextId::SEAT_WORD_UE;
    case MIGI: return TextId::SEAT_WORD_MIGI;
    default: return TextId::NONE;
  }
}

RefusalWords WordsFor(Refusal r) {
  using enum TextId;
  auto words = [](TextId title, TextId prompt) { return RefusalWords{Text(title), Text(prompt)}; };
  switch (r) {
    case Refusal::NONE: return words(NONE, NONE);
    case Refusal::NOT_STARTED: return words(TITLE_START, NOT_STARTED);
    case Refusal::GAME_OVER: return words(TITLE_END, GAME_IS_OVER);
    case Refusal::NOT_YOUR_TURN: return words(TITLE_TURN, WRONG_TURN);
    case Refusal::PARTNER_CHECK: return words(TITLE_FORBIDDEN, PARTNER_CHECK);
    // A person promotes with the right button.
    case Refusal::MUST_PROMOTE: return words(TITLE_PROMOTE, RIGHT_BUTTON_PROMOTES);
    case Refusal::NOT_YOUR_PIECE:
    case Refusal::EMPTY_HAND:
    case Refusal::CANNOT_MOVE:
    case Refusal::CANNOT_PROMOTE: return words(TITLE_FORBIDDEN, CANNOT_PLAY);
  }
  return words(TITLE_FORBIDDEN, CANNOT_PLAY);
}

}  // namespace korvel
