#include "play/refusal_words.h"

namespace korvel {

RefusalWords WordsFor(Refusal r) {
  switch (r) {
    case Refusal::NONE: return {"", ""};
    case Refusal::NOT_STARTED: return {"開始", "まだ始まっていません"};
    case Refusal::GAME_OVER: return {"終了", "対局は終わっています"};
    case Refusal::NOT_YOUR_TURN: return {"手番", "手番が違います"};
    case Refusal::PARTNER_CHECK: return {"禁手", "味方に王手はできません"};
    // A person promotes with the right button.
    case Refusal::MUST_PROMOTE: return {"成り", "マウスの右をクリックして下さい"};
    case Refusal::NOT_YOUR_PIECE:
    case Refusal::EMPTY_HAND:
    case Refusal::CANNOT_MOVE:
    case Refusal::CANNOT_PROMOTE: return {"禁手", "指せない手です"};
  }
  return {"禁手", "指せない手です"};
}

}  // namespace korvel
