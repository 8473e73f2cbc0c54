#include "net/thinkers.h"

#include <algorithm>

namespace korvel::net {

ThinkerPool::ThinkerPool(int deep) {
  deep = std::max(1, deep);
  for (int i = 0; i < deep; ++i) threads_.emplace_back([this] { Work(deep_); });
  threads_.emplace_back([this] { Work(quick_); });
}

ThinkerPool::~ThinkerPool() {
  Stop();
}

int ThinkerPool::DefaultDeep() {
  const int n = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(n, 2, 4);
}

void ThinkerPool::Post(bool deep, std::function<void()> task) {
  Lane& lane = deep ? deep_ : quick_;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    lane.tasks.push_back(std::move(task));
  }
  lane.ready.notify_one();
}

void ThinkerPool::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && threads_.empty()) return;
    stopping_ = true;
    deep_.tasks.clear();
    quick_.tasks.clear();
  }
  deep_.ready.notify_all();
  quick_.ready.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
  threads_.clear();
}

int ThinkerPool::Waiting() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(deep_.tasks.size() + quick_.tasks.size());
}

int ThinkerPool::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

int ThinkerPool::MostRunning() const {
  std::lock_guard lock(mutex_);
  return mostRunning_;
}

void ThinkerPool::Work(Lane& lane) {
  std::unique_lock lock(mutex_);
  for (;;) {
    lane.ready.wait(lock, [&] { return stopping_ || !lane.tasks.empty(); });
    if (stopping_) return;
    std::function<void()> task = std::move(lane.tasks.front());
    lane.tasks.pop_front();
    ++running_;
    mostRunning_ = std::max(mostRunning_, running_);
    lock.unlock();
    task();
    task = nullptr;
    lock.lock();
    --running_;
  }
}

}  // namespace korvel::net
