#include "spectrum/reader.h"

#include "reference_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace kelmor {
namespace {

using Points = std::vector<std::pair<double, double>>;

Points pointsOf(const SpectrumReadResult& result) {
  Points out;
  for (const SpectrumPoint& p : result.spectrum.points)
    out.emplace_back(p.frequency, p.amplitude);
  return out;
}

// Reads `text` whole and through small blocks and one-byte reads: all must agree.
SpectrumReadResult readAllWays(std::string_view text, int headerLines,
                               AmplitudeFormat format = AmplitudeFormat::Rms) {
  StringSource whole(text);
  SpectrumReadResult reference = readSpectrum(whole, headerLines, format);
  for (const std::size_t block : {std::size_t{16}, std::size_t{17}, std::size_t{64}}) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{5}}) {
      StringSource source(text, chunk);
      const SpectrumReadResult other = readSpectrum(source, headerLines, format, block, 0);
      EXPECT_EQ(pointsOf(other), pointsOf(reference)) << "block " << block << " chunk " << chunk;
      EXPECT_EQ(other.numbersPerLine, reference.numbersPerLine);
      EXPECT_EQ(other.stop.has_value(), reference.stop.has_value());
      if (other.stop && reference.stop) {
        EXPECT_EQ(other.stop->line, reference.stop->line);
        EXPECT_EQ(other.stop->token, reference.stop->token);
      }
    }
  }
  return reference;
}

struct ReadCase {
  const char* name;
  std::string text;
  int headerLines;
  Points expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, Points) {
  const SpectrumReadResult result = readAllWays(GetParam().text, GetParam().headerLines);
  EXPECT_EQ(pointsOf(result), GetParam().expected);
  EXPECT_FALSE(result.stop.has_value());
  EXPECT_FALSE(result.readError);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ReadTest,
    testing::Values(
        ReadCase{"TwoHeaderLines", "title\nfreq amp\n1 2\n3 4\n", 2, {{1, 2}, {3, 4}}},
        ReadCase{"PairsAcrossLines",
                 "10 1\n20 2 30 3\n40\n4\n",
                 0,
                 {{10, 1}, {20, 2}, {30, 3}, {40, 4}}},
        ReadCase{"MissingLastAmplitude", "10 1 20", 0, {{10, 1}, {20, 0}}},
        ReadCase{"CrLf", "h\r\n10\t1\r\n20\t2\r\n", 1, {{10, 1}, {20, 2}}},
        ReadCase{"AllSixSpaces", " \t\n\v\f\r5\v6\f", 0, {{5, 6}}}, ReadCase{"Empty", "", 0, {}},
        ReadCase{"HeaderOnly", "a\nb\n", 5, {}},
        ReadCase{"NegativeCountSkipsNothing", "1 2", -3, {{1, 2}}},
        ReadCase{"LargestCountEndsWithTheFile", "a\n1 2\n", 2147483647, {}},
        ReadCase{"HeaderWithoutLineFeed", "1 2 3 4", 1, {}},
        ReadCase{"LongHeaderLineIsOneLine", std::string(100000, 'h') + "\n7 8\n", 1, {{7, 8}}},
        ReadCase{"HeaderOf400CountsOnce", std::string(400, 'x') + "\nabc\n1 2", 2, {{1, 2}}},
        ReadCase{"RepeatedAndNegativeFrequencies", "5 1 5 2 -5 3", 0, {{5, 1}, {5, 2}, {-5, 3}}},
        ReadCase{"NumbersRunTogether", "1-2 3.5.5", 0, {{1, -2}, {3.5, 0.5}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Reader, PeakAmplitudesBecomeRms) {
  const SpectrumReadResult result = readAllWays("10 1.0 20 -2", 0, AmplitudeFormat::Peak);
  EXPECT_EQ(pointsOf(result), (Points{{10, 0.7071067811865476}, {20, -1.4142135623730951}}));
}

struct StopCase {
  const char* name;
  std::string text;
  int headerLines;
  long line;
  const char* token;
  Points kept;
};

void PrintTo(const StopCase& c, std::ostream* os) {
  *os << c.name;
}

class StopTest : public testing::TestWithParam<StopCase> {};

TEST_P(StopTest, StopsAtTheBadToken) {
  const StopCase& c = GetParam();
  const SpectrumReadResult result = readAllWays(c.text, c.headerLines);
  ASSERT_TRUE(result.stop.has_value());
  EXPECT_EQ(result.stop->line, c.line);
  EXPECT_EQ(result.stop->token, c.token);
  EXPECT_EQ(pointsOf(result), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, StopTest,
    testing::Values(
        StopCase{"UncoveredHeader", "freq amp\n1 2\n", 0, 1, "freq", {}},
        StopCase{"LineCountIncludesHeader", "h1\nh2\n1 2\n3 4\n5 x\n", 2, 5, "x", {{1, 2}, {3, 4}}},
        StopCase{"AmplitudeBadDropsFrequency", "1 2 3 oops 4", 0, 1, "oops", {{1, 2}}},
        StopCase{"Comma", "1,2\n", 0, 1, ",2", {}},
        StopCase{"UnitAfterValue", "1 2Hz 3 4", 0, 1, "Hz", {{1, 2}}},
        // More line feeds in a row than a byte-sized counter holds.
        StopCase{"LongRunOfLineFeeds", "1 2" + std::string(600, '\n') + "x", 0, 601, "x", {{1, 2}}},
        StopCase{"ExponentWithoutDigits", "1 1e+ 2", 0, 1, "e+", {{1, 1}}},
        StopCase{"Hexadecimal", "0x10 1", 0, 1, "x10", {}},
        StopCase{"Infinity", "1 inf", 0, 1, "inf", {}},
        StopCase{"LoneSign", "1 2\r\n-\r\n", 0, 2, "-", {{1, 2}}},
        StopCase{"LongTokenIsCut",
                 "1 2 " + std::string(40, 'a'),
                 0,
                 1,
                 "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...",
                 {{1, 2}}},
        StopCase{"ExactlyShownLength",
                 std::string(32, 'b') + " 1",
                 0,
                 1,
                 "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
                 {}},
        StopCase{"ControlAndHighBytes",
                 std::string("1 2\n\n\x01\x7f\xc3\xa9z\0q 5", 14),
                 0,
                 3,
                 "????z?q",
                 {{1, 2}}}),
    [](const auto& row) { return std::string(row.param.name); });

// How many numbers every data line holds (0: fewer than two data lines, or counts that differ).
struct CensusCase {
  const char* name;
  std::string text;
  int headerLines;
  long numbersPerLine;
};

void PrintTo(const CensusCase& c, std::ostream* os) {
  *os << c.name;
}

class CensusTest : public testing::TestWithParam<CensusCase> {};

TEST_P(CensusTest, NumbersPerLine) {
  const CensusCase& c = GetParam();
  EXPECT_EQ(readAllWays(c.text, c.headerLines).numbersPerLine, c.numbersPerLine);
}

std::string repeatedLines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += line;
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CensusTest,
    testing::Values(CensusCase{"ThreeColumns", "f re im\n1 2 3\n4 5 6\n", 1, 3},
                    CensusCase{"NoFinalLineFeedBlankLinesAndCrLf", "1 2 3\r\n\r\n\n4 5 6", 0, 3},
                    CensusCase{"SplitPairs", "10 1\n20 2 30 3\n40\n4\n", 0, 0},
                    CensusCase{"TwoColumns", "1 2\n3 4\n", 0, 2},
                    CensusCase{"FourColumns", "1 2 3 4\n5 6 7 8\n", 0, 4},
                    CensusCase{"OneColumn", "1\n2\n3\n", 0, 1},
                    CensusCase{"OneLineOnly", "1 2 3\n", 0, 0},
                    CensusCase{"CarriageReturnsOnly", "1 2 3\r4 5 6\r", 0, 0},
                    CensusCase{"RunTogetherNumbersCount", "1-2-3\n4 5 6\n", 0, 3},
                    CensusCase{"StopLineDoesNotCount", "1 2 3\n4 5 6\n7 n/a\n", 0, 3},
                    CensusCase{"DroppedFrequencyCounts", "1 2 3\n4 5 6\n7 8 9\nx\n", 0, 3},
                    CensusCase{"OnlyTheFirst1000Lines", repeatedLines("1 2 3\n", 1000) + "1 2\n", 0,
                               3},
                    CensusCase{"Line1000Differs", repeatedLines("1 2 3\n", 999) + "1 2\n", 0, 0}),
    [](const auto& row) { return std::string(row.param.name); });

// A source that fails after handing out some bytes.
class FailingSource final : public ByteSource {
 public:
  std::ptrdiff_t read(char* buffer, std::size_t size) override {
    if (served_) return -1;
    served_ = true;
    const std::string text = "1 2 3 4 5";
    const std::size_t n = std::min(size, text.size());
    text.copy(buffer, n);
    return static_cast<std::ptrdiff_t>(n);
  }

 private:
  bool served_ = false;
};

TEST(Reader, ReportsReadErrors) {
  FailingSource source;
  const SpectrumReadResult result = readSpectrum(source, 0, AmplitudeFormat::Rms, 64, 0);
  EXPECT_TRUE(result.readError);
}

// A number of 30 MB handed out 64 KiB a read, as a pipe does, is read in about the time it
// takes in one piece: not parsed again after every read. The bound is loose on purpose.
TEST(Reader, LongNumberThroughSmallReadsIsLinear) {
  const std::string text = "1" + std::string(30'000'000, '0') + " 5\n";
  auto secondsToRead = [&text](std::size_t chunk) {
    StringSource source(text, chunk);
    const auto start = std::chrono::steady_clock::now();
    const SpectrumReadResult result = readSpectrum(source, 0, AmplitudeFormat::Rms);
    EXPECT_EQ(result.spectrum.points.size(), 1u);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const double whole = secondsToRead(text.size());
  const double piecewise = secondsToRead(std::size_t{64} << 10);
  EXPECT_LT(piecewise, 10 * whole + 1.0) << "whole: " << whole << " s";
}

TEST(Reader, ManyPointsGrowPastTheReservation) {
  std::string text;
  const std::size_t count = kMaxSpectrumPoints + 3;
  for (std::size_t i = 0; i < count; ++i)
    text += std::to_string(i) + " 1\n";
  StringSource source(text);
  const SpectrumReadResult result = readSpectrum(source, 0, AmplitudeFormat::Rms);
  ASSERT_EQ(result.spectrum.points.size(), count);
  EXPECT_EQ(result.spectrum.points.back().frequency, static_cast<double>(count - 1));
}

// Random text of numbers of every shape, bad tokens, CR LF ends and long runs, read through
// small blocks so that tokens and line ends straddle block boundaries: the streaming reader must
// give what the simple reference reader gives, to the bit.
TEST(Reader, MatchesTheReferenceReader) {
  std::mt19937 random(20261211);
  const std::vector<std::string> pieces = {"1",
                                           "-2.5",
                                           "+.5",
                                           "3e2",
                                           "4E-1",
                                           "1e+",
                                           "7.",
                                           " ",
                                           "\t",
                                           "\r\n",
                                           "\n",
                                           "\r\n",
                                           "\n",
                                           "0x1",
                                           "1e400",
                                           "-0",
                                           "2.5e-320",
                                           "12345678901234567890123",
                                           "x",
                                           "\v",
                                           "1.5.5",
                                           "-",
                                           std::string(40, '9'),
                                           "\x80"};
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string text;
    const int length = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) {
      // Bad tokens are rare, so that most texts are read to the end.
      const std::string& piece = pieces[random() % pieces.size()];
      if ((piece == "x" || piece == "0x1" || piece == "-" || piece == "\x80") &&
          random() % 8 != 0) {
        continue;
      }
      text += piece;
    }
    const int headerLines = static_cast<int>(random() % 3) - 1;
    const bool peak = random() % 2 == 0;
    const test::ReferenceRead want = test::referenceRead(text, headerLines, peak);
    const std::size_t block = 16 + random() % 48;
    StringSource source(text, 1 + random() % 23);
    const SpectrumReadResult got = readSpectrum(
        source, headerLines, peak ? AmplitudeFormat::Peak : AmplitudeFormat::Rms, block);
    ASSERT_EQ(pointsOf(got), want.points) << text;
    ASSERT_EQ(got.stop.has_value(), want.stopped) << text;
    EXPECT_EQ(got.numbersPerLine, want.numbersPerLine) << text;
    if (got.stop) {
      EXPECT_EQ(got.stop->line, want.line);
      EXPECT_EQ(got.stop->token, test::shownToken(want.token));
    }
  }
}

}  // namespace
}  // namespace kelmor
