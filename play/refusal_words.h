// The words the program shows a person for a refused move: the one place a refusal code
// (game/move.h) becomes Japanese text. The window's box shows the title and the prompt;
// a record's reader names the line and the prompt; the network authority's own words
// (net/room.cpp) take the partner's king's sentence from here.
#pragma once

#include "game/move.h"

namespace korvel {

struct RefusalWords {
  const char* title;   // the box's title
  const char* prompt;  // the sentence
};

RefusalWords WordsFor(Refusal r);

}  // namespace korvel
