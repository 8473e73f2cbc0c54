// An engine program that speaks the engine protocol (docs/engine-protocol.md), started for
// one match game: korvel4-match --a-engine CMD / --b-engine CMD.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace korvel::match {

class EngineProcess {
 public:
  // Starts `command` with /bin/sh -c, its standard input and output piped to this process
  // (its standard error is the match's), and waits up to `seconds` for the handshake.
  // Nothing, with the reason, when it cannot be started or does not answer.
  static std::unique_ptr<EngineProcess> Start(const std::string& command, double seconds,
                                              std::string* error);
  // Says quit, then waits a little for the program to end before it is killed.
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Sends `position` and `go`, then reads up to `bestmove` within `seconds`: the move's
  // text, or nothing with the reason (an `error` line, an end, a time out).
  std::optional<std::string> BestMove(const std::string& position, const std::string& go,
                                      double seconds, std::string* error);

 private:
  EngineProcess() = default;
  bool Send(const std::string& line);
  // Why a line could not be sent: an engine that has ended closed its input on the way
  // out, so its output is read (a second at most) to tell that from one that lives on
  // without reading.
  std::string WhyNotSent();
  // The next line within the deadline; false at the end of the output or the deadline.
  bool ReadLine(std::string& line, std::chrono::steady_clock::time_point deadline,
                std::string* error);

  pid_t pid_ = -1;
  int toEngine_ = -1;
  int fromEngine_ = -1;
  std::string buffer_;
};

}  // namespace korvel::match
