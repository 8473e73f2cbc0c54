#include "play/texts.h"

#include "game/pieces.h"

namespace korvel {

const char* TextIn(Language language, TextId id) {
  switch (language) {
    case Language::JAPANESE: return JapaneseText(id);
  }
  return JapaneseText(id);
}

// The window speaks Japanese alone for now.
const char* Text(TextId id) { return TextIn(Language::JAPANESE, id); }

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
