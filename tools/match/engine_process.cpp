#include "tools/match/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace korvel::match {

namespace {

// An engine's line longer than this is no answer of the protocol.
constexpr std::size_t kMaxLine = 1 << 20;

std::chrono::steady_clock::time_point After(double seconds) {
  return std::chrono::steady_clock::now() +
         std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

}  // namespace

std::unique_ptr<EngineProcess> EngineProcess::Start(const std::string& command, double seconds,
                                                    std::string* error) {
  // A write to an engine that ended answers EPIPE instead of ending the match.
  signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  if (pipe2(out, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    close(in[0]);
    close(in[1]);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    *error = std::string("cannot start the engine: ") + std::strerror(rc);
    close(in[1]);
    close(out[0]);
    return nullptr;
  }
  std::unique_ptr<EngineProcess> e(new EngineProcess);
  e->pid_ = pid;
  e->toEngine_ = in[1];
  e->fromEngine_ = out[0];
  const auto deadline = After(seconds);
  if (!e->Send("hello")) {
    const std::string why = e->WhyNotSent();
    *error = why == "the engine ended" ? "no handshake: " + why : why;
    return nullptr;
  }
  std::string line;
  while (e->ReadLine(line, deadline, error))
    if (line == "hello ok") return e;
  *error = "no handshake: " + *error;
  return nullptr;
}

EngineProcess::~EngineProcess() {
  if (toEngine_ >= 0) {
    Send("quit");
    close(toEngine_);
  }
  if (fromEngine_ >= 0) close(fromEngine_);
  if (pid_ <= 0) return;
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

bool EngineProcess::Send(const std::string& line) {
  const std::string text = line + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string EngineProcess::WhyNotSent() {
  const auto deadline = After(1.0);
  std::string line, why;
  while (ReadLine(line, deadline, &why)) {
  }
  return why == "the engine ended" ? why : "the engine does not read its input";
}

bool EngineProcess::ReadLine(std::string& line, std::chrono::steady_clock::time_point deadline,
                             std::string* error) {
  for (;;) {
    const std::size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    if (buffer_.size() > kMaxLine) {
      *error = "a line longer than " + std::to_string(kMaxLine) + " bytes";
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      *error = "no answer in time";
      return false;
    }
    pollfd p{fromEngine_, POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
    if (r < 0 && errno != EINTR) {
      *error = std::string("poll: ") + std::strerror(errno);
      return false;
    }
    if (r <= 0) continue;
    char chunk[4096];
    const ssize_t n = read(fromEngine_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = "the engine ended";
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

std::optional<std::string> EngineProcess::BestMove(const std::string& position,
                                                   const std::string& go, double seconds,
                                                   std::string* error) {
  if (!Send(position) || !Send(go)) {
    *error = WhyNotSent();
    return std::nullopt;
  }
  const auto deadline = After(seconds);
  std::string line;
  while (ReadLine(line, deadline, error)) {
    if (line.rfind("error", 0) == 0) {
      *error = "the engine answered: " + line.substr(0, 200);
      return std::nullopt;
    }
    if (line.rfind("bestmove ", 0) == 0) return line.substr(9);
  }
  return std::nullopt;
}

}  // namespace korvel::match
