// The authority's computer players: a fixed set of threads that think the computer turns
// of every room, so that no turn starts a thread and no thread allocates a search table of
// its own per turn. Level 4's turns go to the deep threads, each keeping its one table
// (ai/deep_search.cpp: a thread's table, cleared at the start of every search, so a
// choice is the same as on a fresh one); levels 1-3, which take milliseconds, go to a
// quick thread of their own and never wait behind level 4. Each queue is served in the
// order the turns came; the server gives a room one turn at a time, so a room's turns stay
// in order and a busy room holds up only the rooms queued behind it on its lane.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel::net {

class ThinkerPool {
 public:
  // `deep` threads for level 4 (at least 1) and one for the other levels.
  explicit ThinkerPool(int deep);
  ~ThinkerPool();
  ThinkerPool(const ThinkerPool&) = delete;
  ThinkerPool& operator=(const ThinkerPool&) = delete;

  // Runs `task` on a thread of the lane. A task watches its own stop flag; the pool only
  // drops the tasks still waiting when it stops.
  void Post(bool deep, std::function<void()> task);
  // Drops every waiting task and waits for the running ones to return.
  void Stop();

  int Threads() const { return static_cast<int>(threads_.size()); }
  // Tasks waiting for a thread, and running now.
  int Waiting() const;
  int Running() const;
  // The most tasks that ran at the same time.
  int MostRunning() const;

  // The number of deep threads when none is asked for: the processors, 2 to 4.
  static int DefaultDeep();

 private:
  struct Lane {
    std::deque<std::function<void()>> tasks;
    std::condition_variable ready;
  };
  void Work(Lane& lane);

  mutable std::mutex mutex_;
  Lane deep_, quick_;
  bool stopping_ = false;
  int running_ = 0;
  int mostRunning_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace korvel::net
