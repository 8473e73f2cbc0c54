// The ports through which the application object reaches the outside world. Each has a
// real adapter in shell/ and light adapters for the headless runner and the tests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <cstdint>
#include <string>

#include "game/move.h"

namespace korvel {

// One move of the history, as recorded before the board changed.
struct MoveRecord : Move {
  PieceCode captured;  // what stood on the destination
  int mover = 0;       // the seat to move when it was recorded
};

// The answer to a question of three buttons: Yes, No, or the one named by the caller.
enum class Answer { YES, NO, THIRD };

// Modal message boxes. Titles and prompts are shown exactly as given ("" and " " differ).
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // OK-only box without icon.
  virtual void Message(const std::string& title, const std::string& prompt) = 0;
  // OK-only box with the exclamation icon.
  virtual void Warning(const std::string& title, const std::string& text) = 0;
  // Yes/No box; true for Yes.
  virtual bool Question(const std::string& title, const std::string& prompt) = 0;
  // Yes/No box with a third button captioned `third`. An adapter that has no third button
  // asks the Yes/No question.
  virtual Answer QuestionOr(const std::string& title, const std::string& prompt,
                            const std::string& /*third*/) {
    return Question(title, prompt) ? Answer::YES : Answer::NO;
  }
};

// The seven calls of the sound library. Every call accepts the handle 0 and does nothing
// with it. `source` names the wave file a buffer stands for; adapters that report what
// is heard (the headless runner) print it, the real device ignores it.
class SoundLibrary {
 public:
  using Handle = std::uint32_t;
  virtual ~SoundLibrary() = default;
  // Opens the device; 0 when sound is not available.
  virtual Handle dsInitialize(std::uintptr_t window) = 0;
  // Decodes a complete wave file image (copied during the call); 0 on failure.
  virtual Handle dsCreateDSB(Handle context, const std::uint8_t* wave, std::size_t size,
                             int flags, const char* source) = 0;
  virtual void dsPlay(Handle buffer, const char* source) = 0;         // once, at once
  virtual void dsPlayLooping(Handle buffer, const char* source) = 0;  // endlessly
  virtual void dsStop(Handle buffer, const char* source) = 0;         // every play of it
  virtual void dsFree(Handle buffer) = 0;
  virtual void dsTerminate(Handle context) = 0;
};

// The two turn icons over the drawing area, positions in twips of the client area.
enum class TurnIcon { MAN, COM };
class TurnIcons {
 public:
  virtual ~TurnIcons() = default;
  virtual void Move(TurnIcon icon, int leftTwips, int topTwips) = 0;
  virtual void SetVisible(TurnIcon icon, bool visible) = 0;
};

// What the about box was closed with.
enum class AboutChoice { HOME_PAGE, OK };

class Host {
 public:
  virtual ~Host() = default;
  // The pause before a computer move is shown (the picture is already flushed).
  virtual void Pause(double seconds) = 0;
  // Opens a page (a local file path or an address) in the desktop's browser; when none
  // opens it, the adapter tells the player where the page is.
  virtual void OpenPage(const std::string& target) = 0;
  // Shows the about box modally and tells which button closed it.
  virtual AboutChoice ShowAbout() = 0;
  // Ends the program (the sound has already been released).
  virtual void EndProgram() = 0;
  // Runs a long piece of thinking (the deeper computer's search) and answers the seconds it
  // took. The window keeps repainting meanwhile, drops presses, and sets `stop` when it is
  // closed or the thinking runs too long; `work` then returns at once with what it has.
  // Here, without a window, it simply runs.
  virtual double Think(const std::function<void(const std::atomic<bool>& stop)>& work) {
    const std::atomic<bool> never{false};
    work(never);
    return 0;
  }
  // The milliseconds of a clock that only goes forward (a change of the system's time moves
  // it not), for the game clocks (play/clock.h); the runner and the tests keep their own.
  virtual std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  // Reports for adapters that log the game (the headless runner); the window ignores them.
  virtual void MoveRecorded(const MoveRecord&) {}
  // A seat passed: a computer's without a move, or a person's the rules left none.
  virtual void SeatPassed(int /*seat*/) {}
};

}  // namespace korvel
