// Lines of a text stream read within bounds, for the tools that read a script or a list
// from a file or a pipe: an endless line (a device, a file with no line end) or an endless
// stream stops the reading with a clear reason instead of growing without limit.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace korvel {

class BoundedLines {
 public:
  enum class Result { LINE, END, LINE_TOO_LONG, TOO_LARGE, UNREADABLE };

  BoundedLines(std::istream& in, std::size_t maxLine, std::size_t maxTotal)
      : in_(in), maxLine_(maxLine), maxTotal_(maxTotal) {}

  // The next line, without its "\n" or "\r\n"; a last line without "\n" is a line too.
  // LINE_TOO_LONG once a line passes maxLine bytes, TOO_LARGE once the stream passes
  // maxTotal bytes, UNREADABLE when reading failed (a folder); then no further line.
  Result Next(std::string& line) {
    line.clear();
    if (stopped_) return stoppedWith_;
    for (;;) {
      const int c = in_.get();
      if (c == std::char_traits<char>::eof()) {
        if (in_.bad()) return Stop(Result::UNREADABLE);
        if (line.empty()) return Stop(Result::END);
        break;
      }
      if (++total_ > maxTotal_) return Stop(Result::TOO_LARGE);
      if (c == '\n') break;
      if (line.size() >= maxLine_) return Stop(Result::LINE_TOO_LONG);
      line.push_back(static_cast<char>(c));
    }
    ++lineNo_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return Result::LINE;
  }

  // The number of the line last read (1 for the first), or of the line the reading
  // stopped on.
  int LineNo() const {
    return stopped_ && stoppedWith_ != Result::END ? lineNo_ + 1 : lineNo_;
  }

  // Why the reading stopped, in words about `what` ("the script"); empty for LINE and END.
  std::string Reason(Result r, const std::string& what) const {
    switch (r) {
      case Result::LINE_TOO_LONG:
        return what + " has a line longer than " + std::to_string(maxLine_) + " bytes";
      case Result::TOO_LARGE:
        return what + " is longer than " + std::to_string(maxTotal_) + " bytes";
      case Result::UNREADABLE:
        return what + " cannot be read";
      case Result::LINE:
      case Result::END:
        break;
    }
    return "";
  }

 private:
  Result Stop(Result r) {
    stopped_ = true;
    stoppedWith_ = r;
    return r;
  }

  std::istream& in_;
  std::size_t maxLine_, maxTotal_;
  std::size_t total_ = 0;
  int lineNo_ = 0;
  bool stopped_ = false;
  Result stoppedWith_ = Result::END;
};

}  // namespace korvel
