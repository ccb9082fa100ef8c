#include "spectrum/reader.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "spectrum/data_number.h"

namespace kelmor {
namespace {

// A window on the input: bytes [begin_, end_) of buf_ are read but not yet consumed.
class Scanner {
 public:
  Scanner(ByteSource& source, std::size_t blockSize)
      : source_(source), buf_(blockSize < 16 ? 16 : blockSize) {}

  bool failed() const { return failed_; }
  long line() const { return newlines_ + 1; }

  // Makes at least `count` unconsumed bytes available unless the input ends first.
  // Returns the number available.
  std::size_t want(std::size_t count) {
    while (end_ - begin_ < count && !ended_) {
      if (begin_ > 0 && (end_ == buf_.size() || buf_.size() - begin_ < count)) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
      }
      if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);  // one token longer than a block
      const std::ptrdiff_t got = source_.read(buf_.data() + end_, buf_.size() - end_);
      if (got > 0) {
        end_ += static_cast<std::size_t>(got);
      } else {
        ended_ = true;
        failed_ = got < 0;
      }
    }
    return end_ - begin_;
  }

  // Consumes one line, through its line feed or to the end of the input.
  void skipLine() {
    while (want(1) > 0) {
      const char* first = buf_.data() + begin_;
      const void* feed = std::memchr(first, '\n', end_ - begin_);
      if (feed != nullptr) {
        begin_ += static_cast<std::size_t>(static_cast<const char*>(feed) - first) + 1;
        ++newlines_;
        return;
      }
      begin_ = end_;
    }
  }

  // Skips whitespace; returns false when the input ends first.
  bool skipSpace() {
    for (;;) {
      while (begin_ != end_) {
        const char c = buf_[begin_];
        if (!isSpace(c)) return true;
        if (c == '\n') ++newlines_;
        ++begin_;
      }
      if (want(1) == 0) return false;
    }
  }

  // Reads the number at the current position (after skipSpace).
  DataNumber number() {
    for (;;) {
      const char* first = buf_.data() + begin_;
      const char* last = buf_.data() + end_;
      const DataNumber n = parseDataNumber(first, last);
      const char* decided = n.ok ? n.end : first;
      if (ended_ || last - decided >= kDataNumberLookahead) {
        begin_ += static_cast<std::size_t>(n.end - first);
        return n;
      }
      want(static_cast<std::size_t>(decided - first + kDataNumberLookahead));
    }
  }

  // The token at the current position as the stop report shows it.
  std::string shownToken() {
    std::string shown;
    for (;;) {
      if (want(1) == 0) break;
      const char c = buf_[begin_];
      if (isSpace(c)) break;
      if (shown.size() == kStopTokenShown) {
        shown += "...";
        break;
      }
      shown += (c >= 0x21 && c <= 0x7E) ? c : '?';
      ++begin_;
    }
    return shown;
  }

 private:
  ByteSource& source_;
  std::vector<char> buf_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  long newlines_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

}  // namespace

SpectrumReadResult readSpectrum(ByteSource& input, std::int32_t headerLines, AmplitudeFormat format,
                                std::size_t blockSize, std::size_t reservePoints) {
  SpectrumReadResult result;
  Scanner scan(input, blockSize);
  for (std::int32_t i = 0; i < headerLines; ++i)
    scan.skipLine();

  const double scale = format == AmplitudeFormat::Peak ? std::sqrt(2.0) / 2.0 : 1.0;
  std::vector<SpectrumPoint>& points = result.spectrum.points;
  points.reserve(reservePoints);
  for (;;) {
    if (!scan.skipSpace()) break;
    const long frequencyLine = scan.line();
    const DataNumber frequency = scan.number();
    if (!frequency.ok) {
      result.stop = ReadStop{frequencyLine, scan.shownToken()};
      break;
    }
    if (!scan.skipSpace()) {
      points.push_back({frequency.value, 0.0});
      break;
    }
    const long amplitudeLine = scan.line();
    const DataNumber amplitude = scan.number();
    if (!amplitude.ok) {
      result.stop = ReadStop{amplitudeLine, scan.shownToken()};
      break;
    }
    points.push_back({frequency.value, amplitude.value * scale});
  }
  result.readError = scan.failed();
  return result;
}

}  // namespace kelmor
