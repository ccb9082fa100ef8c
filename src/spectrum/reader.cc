#include "spectrum/reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "spectrum/column_census.h"
#include "spectrum/data_number.h"

namespace kelmor {
namespace {

// Points read before the size of the rest is estimated from the bytes they took.
constexpr std::size_t kEstimateSample = 4096;

// isSpace as a table: one load a byte in the parsing loop instead of six comparisons.
constexpr std::array<bool, 256> kSpaceTable = [] {
  std::array<bool, 256> table{};
  for (std::size_t c = 0; c < table.size(); ++c)
    table[c] = isSpace(static_cast<char>(c));
  return table;
}();

inline bool space(char c) {
  return kSpaceTable[static_cast<unsigned char>(c)];
}

// Counts in runs of at most 255 bytes with a byte-sized counter, which compilers vectorise
// well (std::count widens every comparison to the size of its result).
std::int64_t countLineFeeds(const char* first, const char* last) {
  std::int64_t total = 0;
  while (first != last) {
    const std::size_t run = std::min<std::size_t>(255, static_cast<std::size_t>(last - first));
    unsigned char count = 0;
    for (std::size_t i = 0; i < run; ++i) {
      count = static_cast<unsigned char>(count + (first[i] == '\n' ? 1 : 0));
    }
    total += count;
    first += run;
  }
  return total;
}

// A window on the input: bytes [begin_, end_) of buf_ are read but not yet consumed.
class Scanner {
 public:
  Scanner(ByteSource& source, std::size_t blockSize)
      : source_(source), buf_(blockSize < 16 ? 16 : blockSize) {}

  bool ended() const { return ended_; }
  bool failed() const { return failed_; }
  std::int64_t line() const { return newlines_ + 1; }
  std::uint64_t consumed() const { return consumedBefore_ + begin_; }
  const char* first() const { return buf_.data() + begin_; }
  const char* last() const { return buf_.data() + end_; }

  // From now on the consumed bytes are shown to `census` too, while it is active.
  void startCensus(ColumnCensus& census) { census_ = &census; }

  // Consumes up to `p`, within [first(), last()]. Line feeds are counted here, a window at a
  // time, rather than byte by byte in the parsing loop.
  void consumeTo(const char* p) {
    newlines_ += countLineFeeds(first(), p);
    if (census_ != nullptr && census_->active()) census_->count(first(), p);
    begin_ = static_cast<std::size_t>(p - buf_.data());
  }

  // Makes at least `count` unconsumed bytes available unless the input ends first.
  // Returns the number available. Moves the window: pointers from first()/last() go stale.
  std::size_t want(std::size_t count) {
    while (end_ - begin_ < count && !ended_) {
      if (begin_ > 0 && (end_ == buf_.size() || buf_.size() - begin_ < count)) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        consumedBefore_ += begin_;
        end_ -= begin_;
        begin_ = 0;
      }
      if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);  // one number longer than a block
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
      const char* from = first();
      const void* feed = std::memchr(from, '\n', end_ - begin_);
      if (feed != nullptr) {
        consumeTo(static_cast<const char*>(feed) + 1);
        return;
      }
      consumeTo(last());
    }
  }

  // The token at the current position as the stop report shows it.
  std::string shownToken() {
    std::string shown;
    while (want(1) > 0 && !space(*first())) {
      if (shown.size() == kStopTokenShown) {
        shown += "...";
        break;
      }
      const char c = *first();
      shown += (c >= 0x21 && c <= 0x7E) ? c : '?';
      ++begin_;
    }
    return shown;
  }

 private:
  ByteSource& source_;
  ColumnCensus* census_ = nullptr;
  std::vector<char> buf_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumedBefore_ = 0;  // bytes dropped from the front of buf_
  std::int64_t newlines_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

// The points as they are read: peak amplitudes scaled to RMS, the array reserved for the whole
// input once the first points show how many bytes a point takes.
class PointSink {
 public:
  PointSink(AmplitudeFormat format, std::uint64_t dataSize)
      : scale_(format == AmplitudeFormat::Peak ? std::sqrt(2.0) / 2.0 : 1.0), dataSize_(dataSize) {
    points_.reserve(kMaxSpectrumPoints);
  }

  void add(double frequency, double amplitude) {
    if (points_.size() == points_.capacity()) grow();
    points_.push_back({frequency, amplitude * scale_});
  }

  // `dataRead` bytes after the header gave the points so far.
  void estimate(std::uint64_t dataRead) {
    if (dataSize_ == 0 || points_.size() < kEstimateSample) return;
    reserveForInput(dataRead, dataSize_);
    dataSize_ = 0;
  }

  std::vector<SpectrumPoint> take() { return std::move(points_); }

 private:
  // Grows by a quarter, not double, so that the old and the new array together stay within
  // 2.25 times the points held.
  void grow() { points_.reserve(points_.capacity() + points_.capacity() / 4 + 1024); }

  // Never more than the densest text could hold ("1 2\n": four bytes a point); when the memory
  // is not to be had, the array grows as it goes.
  void reserveForInput(std::uint64_t dataRead, std::uint64_t dataSize) {
    if (dataRead == 0 || dataSize <= dataRead) return;
    const double expected = static_cast<double>(dataSize) / static_cast<double>(dataRead) *
                            static_cast<double>(points_.size()) * 1.02;
    const double densest = static_cast<double>(dataSize) / 4;
    // A sparse file may claim exabytes: never more than the array can hold.
    const double most = static_cast<double>(points_.max_size() - 1024);
    const auto wanted = static_cast<std::size_t>(std::min({expected, densest, most})) + 1024;
    if (wanted <= points_.capacity()) return;
    try {
      points_.reserve(wanted);
    } catch (const std::bad_alloc&) {
      // Not to be had: the array grows as it goes instead.
    } catch (const std::length_error&) {
      // Likewise.
    }
  }

  double scale_;
  std::uint64_t dataSize_;  // bytes of the input after the header; 0 once estimated, or unknown
  std::vector<SpectrumPoint> points_;
};

// A frequency read at the end of a window, waiting for its amplitude.
struct Pending {
  double frequency = 0.0;
  bool waiting = false;
};

enum class WindowEnd {
  kMore,  // all that could be decided was taken; the rest needs more input (or has ended)
  kBad,   // a token that is not a number stands at the returned position
};

// Takes the points from [p, last). Stops where a number might go on past the window, unless
// the input has `ended`. On return `p` is where reading goes on.
WindowEnd takePoints(const char*& p, const char* last, bool ended, Pending& pending,
                     PointSink& sink) {
  for (;;) {
    while (p != last && space(*p))
      ++p;
    if (p == last) return WindowEnd::kMore;
    const DataNumber n = parseDataNumber(p, last);
    if (!ended && last - (n.ok ? n.end : p) < kDataNumberLookahead) return WindowEnd::kMore;
    if (!n.ok) return WindowEnd::kBad;
    p = n.end;
    if (pending.waiting) {
      pending.waiting = false;
      sink.add(pending.frequency, n.value);
      continue;
    }
    // Most often the amplitude follows in the same window: take the pair in one go.
    const char* q = p;
    while (q != last && space(*q))
      ++q;
    const DataNumber a = parseDataNumber(q, last);
    if (q == last || !a.ok || (!ended && last - a.end < kDataNumberLookahead)) {
      pending = {n.value, true};  // the amplitude is taken, or found bad, on the next turn
      continue;
    }
    sink.add(n.value, a.value);
    p = a.end;
  }
}

void readPoints(Scanner& scan, std::int32_t headerLines, AmplitudeFormat format,
                std::uint64_t sizeHint, SpectrumReadResult& result) {
  // A count far beyond the file's lines stops at its end rather than skipping nothing 2^31 times.
  for (std::int32_t i = 0; i < headerLines && scan.want(1) > 0; ++i)
    scan.skipLine();
  const std::uint64_t dataStart = scan.consumed();
  PointSink sink(format, sizeHint > dataStart ? sizeHint - dataStart : 0);
  ColumnCensus census;
  scan.startCensus(census);
  Pending pending;
  for (;;) {
    const char* p = scan.first();
    const char* const last = scan.last();
    const bool ended = scan.ended();
    const WindowEnd end = takePoints(p, last, ended, pending, sink);
    scan.consumeTo(p);
    if (end == WindowEnd::kBad) {
      pending.waiting = false;  // its amplitude is the bad token
      const std::int64_t line = scan.line();
      result.stop = ReadStop{line, scan.shownToken()};
      census.readingStopped();
      break;
    }
    if (ended) {
      census.inputEnded();
      break;
    }
    sink.estimate(scan.consumed() - dataStart);
    // What is left is the start of a number. Asking for twice as much lets a number longer
    // than the window grow it geometrically, so it is parsed again a few times, not once per
    // read (a pipe hands out 64 KiB a read): reading stays linear in the input's size.
    const auto left = static_cast<std::size_t>(last - p);
    scan.want(std::max(2 * left, left + 1));
  }
  if (pending.waiting) sink.add(pending.frequency, 0.0);
  result.spectrum.points = sink.take();
  result.numbersPerLine = census.uniformCount();
}

}  // namespace

SpectrumReadResult readSpectrum(ByteSource& input, std::int32_t headerLines, AmplitudeFormat format,
                                std::size_t blockSize, std::uint64_t sizeHint) {
  SpectrumReadResult result;
  try {
    Scanner scan(input, blockSize);
    readPoints(scan, headerLines, format, sizeHint, result);
    result.readError = scan.failed();
  } catch (const std::bad_alloc&) {
    result.readError = true;  // the points do not fit in memory
  } catch (const std::length_error&) {
    result.readError = true;  // more points than an array can hold
  }
  return result;
}

}  // namespace kelmor
