// korvel4-engine's protocol on lines of text (docs/engine-protocol.md): the commands read,
// the game they set up through the game's own rules, and the search run on a thread of its
// own so that `stop`, `isready` and `quit` are answered while it thinks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ai/deep_search.h"
#include "game/state.h"

namespace korvel::engine {

inline constexpr int kProtocolVersion = 1;
// Input lines longer than this are refused whole (a position of a thousand moves is some
// 6 KB).
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

class EngineSession {
 public:
  // `out` receives every output line without its line end, one call at a time, from the
  // reading thread or the searching thread.
  using Output = std::function<void(const std::string&)>;
  explicit EngineSession(Output out);
  ~EngineSession();  // stops a search and waits for it
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

  // One line of input (without its line end). False once `quit` was read.
  bool Handle(std::string_view line);
  // A line that was longer than kMaxLineBytes: answered with an error, nothing done.
  void TooLong();
  // The end of the input: a search with a limit is waited for, one without is stopped.
  void Finish();
  // Waits for the current search, if any, to answer.
  void Wait();

 private:
  struct Job {
    GameState state;
    std::vector<DeepPastTurn> history;
    DeepLimits limits;
    bool infinite = false;
  };
  void Say(const std::string& line);
  void Error(const std::string& what);
  void Position(const std::vector<std::string_view>& w);
  void Go(const std::vector<std::string_view>& w);
  void Stop();
  void Worker();
  // Searches; answers the lines that end the search (the summary and the move).
  std::vector<std::string> Think(Job& job);

  Output out_;
  std::mutex outLock_;

  // The position to search: the game's state and the turns of its computer run; empty after
  // a position that was refused.
  struct Current {
    GameState state;
    std::vector<DeepPastTurn> history;
    bool over = false;  // a king was taken
  };
  std::optional<Current> current_;

  std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::optional<Job> job_;  // waiting to be searched
  bool thinking_ = false;   // a job is searched or waiting
  bool infinite_ = false;
  bool quitting_ = false;
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

}  // namespace korvel::engine
