// korvel4-engine: LEVEL4 behind a text protocol on standard input and output, for other
// programs (korvel4-match --a-engine, a front end): docs/engine-protocol.md.
//
//   korvel4-engine [--help]
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/engine/engine_session.h"

int main(int argc, char** argv) {
  using korvel::engine::EngineSession;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::puts(
          "usage: korvel4-engine\n"
          "Reads commands on standard input, one a line, and answers on standard output:\n"
          "hello, isready, newgame, position startpos|board ROWS HANDS SEAT [moves M...],\n"
          "go [nodes N] [movetime MS] [infinite], stop, quit (docs/engine-protocol.md).");
      return 0;
    }
    std::fprintf(stderr, "korvel4-engine: unknown argument '%s' (try --help)\n", argv[i]);
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  EngineSession session([](const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  });
  // Lines are read within kMaxLineBytes: the rest of a longer one is skipped and refused.
  std::string line;
  bool tooLong = false;
  for (;;) {
    const int c = std::getchar();
    if (c == EOF) break;
    if (c != '\n') {
      if (line.size() < korvel::engine::kMaxLineBytes)
        line.push_back(static_cast<char>(c));
      else
        tooLong = true;
      continue;
    }
    if (tooLong) {
      session.TooLong();
    } else {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!session.Handle(line)) return 0;
    }
    line.clear();
    tooLong = false;
  }
  // A last line without its end counts too.
  if (tooLong)
    session.TooLong();
  else if (!line.empty() && !session.Handle(line))
    return 0;
  session.Finish();
  return 0;
}
