// End-to-end runs of the real binary: whole console transcript, report file, exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "run/conversion.h"
#include "test_support.h"

namespace kelmor {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runKelmor;
using test::TempDir;
using test::writeFile;

std::string recordedConsole() {
  std::string text = readFile(test::testData("session-octave/console.txt"));
  text.replace(text.find("ADDRESS"), 7, kContactAddress);
  return text;
}

// Everything up to the first reply.
std::string banner() {
  const std::string text = recordedConsole();
  const std::string last = "Please enter the input filename. \n";
  return text.substr(0, text.find(last) + last.size());
}

std::string opened(const std::string& name) {
  return "\n\n File: " + name + " opened. \n";
}

std::string questionsAndOutput(const std::string& output) {
  return "\n\n Enter the number of input file header lines to skip. \n"
         "\n\n Enter input amplitude format:  1=peak  2= RMS \n"
         "\n\n Enter output format:  1=octave  2= one-third octave \n"
         "\n Enter output filename\n" +
         output;
}

const std::string kClosing =
    "\n\n Note that output file format is: \n\n  freq (Hz)  amplitude (EU RMS) \n"
    "\n\n Calculation complete. \n Press any key to exit.";
const std::string kPressAnyKey = "\n\n Press any key to exit.";

TEST(Program, RecordedOctaveSession) {
  TempDir dir;
  fs::copy_file(test::testData("session-octave/spectrum.txt"), dir / "spectrum.txt");
  const auto run = runKelmor(readFile(test::testData("session-octave/replies.txt")), dir.path());
  EXPECT_EQ(run.output, recordedConsole());
  EXPECT_EQ(readFile(dir / "bands.txt"), readFile(test::testData("session-octave/bands.txt")));
  EXPECT_EQ(run.exitStatus, kExitDone);
}

TEST(Program, OneThirdOctaveSessionOnOneLine) {
  TempDir dir;
  writeFile(dir / "in.txt", "0.5 1\n10 3\n10.5 4\n30 2\n");
  const auto run = runKelmor("in.txt 0 2 2 out.txt", dir.path());
  EXPECT_EQ(run.output,
            banner() + opened("in.txt") + questionsAndOutput(opened("out.txt")) + kClosing);
  std::string expected;
  for (const char* centre : {"1.00", "1.25", "1.60", "2.00", "2.50", "3.15", "4.00", "5.00", "6.30",
                             "8.00", "10.00", "12.50", "16.00", "20.00", "25.00", "31.50"}) {
    const std::string c = centre;
    const char* level = c == "10.00"   ? " 5.0000e+000"
                        : c == "31.50" ? " 2.0000e+000"
                                       : " 0.0000e+000";
    expected += "\n \t " + std::string(10 - c.size(), ' ') + c + " \t " + level;
  }
  EXPECT_EQ(readFile(dir / "out.txt"), expected);
  EXPECT_EQ(run.exitStatus, kExitDone);
}

TEST(Program, StopsAtTextAndWarns) {
  TempDir dir;
  writeFile(dir / "in.txt", "header\n100 1\n150 1\n200 n/a\n");
  const auto run = runKelmor("in.txt 1 2 1 out.txt\n", dir.path());
  EXPECT_EQ(run.output,
            banner() + opened("in.txt") + questionsAndOutput(opened("out.txt")) +
                "\n\n Warning: reading stopped at line 4, where \"n/a\" is not a number. \n"
                " Points used: 2 \n" +
                kClosing);
  EXPECT_EQ(readFile(dir / "out.txt").size(), 7 * 29u);  // up to the 125 Hz band
  EXPECT_EQ(run.exitStatus, kExitPartialData);
}

// Warnings about the data: the whole transcript and the status. The report is written as usual.
struct WarningCase {
  const char* name;
  std::string spectrum;
  const char* replies;
  std::string warnings;  // printed between the output's "opened" line and the closing note
};

void PrintTo(const WarningCase& c, std::ostream* os) {
  *os << c.name;
}

class WarningTest : public testing::TestWithParam<WarningCase> {};

TEST_P(WarningTest, TranscriptAndStatus) {
  const WarningCase& c = GetParam();
  TempDir dir;
  writeFile(dir / "in.txt", c.spectrum);
  const auto run = runKelmor(c.replies, dir.path());
  EXPECT_EQ(run.output, banner() + opened("in.txt") + questionsAndOutput(opened("out.txt")) +
                            c.warnings + kClosing);
  EXPECT_EQ(run.exitStatus, c.warnings.empty() ? kExitDone : kExitPartialData);
  EXPECT_TRUE(fs::exists(dir / "out.txt"));
}

const std::string kNoPointOctave =
    "\n\n Warning: no point lies within the bands, 1.41 Hz to 22627.42 Hz. \n";
const std::string kNoPointThird =
    "\n\n Warning: no point lies within the bands, 0.89 Hz to 22449.24 Hz. \n";
std::string columns(int count) {
  return "\n\n Warning: every data line holds " + std::to_string(count) +
         " numbers; they are read two at a time, across lines. \n";
}

INSTANTIATE_TEST_SUITE_P(
    Data, WarningTest,
    testing::Values(
        WarningCase{"OutsideTheOctaveBands", "0 1\n30000 1\n", "in.txt 0 2 1 out.txt",
                    kNoPointOctave},
        WarningCase{"OutsideTheThirdOctaveBands", "0.5 1\n", "in.txt 0 2 2 out.txt", kNoPointThird},
        WarningCase{"EmptyData", "", "in.txt 0 2 1 out.txt", kNoPointOctave},
        WarningCase{"HeaderCountTakesAll", "a\n100 1\n", "in.txt 2 2 1 out.txt", kNoPointOctave},
        WarningCase{"CarriageReturnLineEndsAreOneHeaderLine", "f a\r100 1\r150 1\r",
                    "in.txt 1 2 2 out.txt", kNoPointThird},
        WarningCase{"ThreeColumns", "100 1 0\n150 1 0\n", "in.txt 0 2 1 out.txt", columns(3)},
        WarningCase{"FiveColumns", "1 100 1 0 0\n2 150 1 0 0\n", "in.txt 0 2 1 out.txt",
                    columns(5)},
        WarningCase{"AllThreeInOrder", "0.5 0 0\n0.5 0 0\n0.5 x\n", "in.txt 0 2 1 out.txt",
                    "\n\n Warning: reading stopped at line 3, where \"x\" is not a number. \n"
                    " Points used: 3 \n" +
                        columns(3) + kNoPointOctave},
        WarningCase{"SplitPairsDoNotWarn", "10 1\n20 2 30 3\n40\n4\n", "in.txt 0 2 1 out.txt", ""},
        WarningCase{"FourColumnsDoNotWarn", "100 1 150 1\n200 1 250 1\n", "in.txt 0 2 1 out.txt",
                    ""},
        WarningCase{"OneColumnDoesNotWarn", "100\n1\n150\n1\n", "in.txt 0 2 1 out.txt", ""},
        WarningCase{"MixedCountsDoNotWarn", "100 1 0\n150 1\n", "in.txt 0 2 1 out.txt", ""}),
    [](const auto& row) { return std::string(row.param.name); });

// Format replies other than 1 or 2, and failed ones, mean 2: one-third octaves of RMS levels.
struct FormatCase {
  const char* name;
  const char* replies;
  const char* report;  // the file the report goes to
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << c.name;
}

class FormatReplyTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatReplyTest, MeanRmsAndOneThirdOctaves) {
  TempDir dir;
  writeFile(dir / "in.txt", "10 2\n");
  const auto run = runKelmor(GetParam().replies, dir.path());
  EXPECT_EQ(run.exitStatus, kExitDone);
  std::string expected;
  for (const char* c :
       {"1.00", "1.25", "1.60", "2.00", "2.50", "3.15", "4.00", "5.00", "6.30", "8.00", "10.00"}) {
    expected += "\n \t " + std::string(10 - std::string(c).size(), ' ') + c + " \t  " +
                (std::string(c) == "10.00" ? "2.0000e+000" : "0.0000e+000");
  }
  EXPECT_EQ(readFile(dir / GetParam().report), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FormatReplyTest,
    testing::Values(FormatCase{"ZeroAndThree", "in.txt 0 0 3 out.txt", "out.txt"},
                    FormatCase{"ThreeAndSeven", "in.txt 0 3 7 out.txt", "out.txt"},
                    FormatCase{"MinusOneAndZero", "in.txt 0 -1 0 out.txt", "out.txt"},
                    FormatCase{"SevenAndMinusOne", "in.txt 0 7 -1 out.txt", "out.txt"},
                    // "x" fails as both formats and then names the report.
                    FormatCase{"FailedReplies", "in.txt 0 x out.txt", "x"}),
    [](const auto& row) { return std::string(row.param.name); });

// Failures: the whole transcript from the first reply on, the exit status, and what is left.
struct FailureCase {
  const char* name;
  const char* replies;
  std::string afterBanner;
  bool reportExists;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class FailureTest : public testing::TestWithParam<FailureCase> {};

const std::string kSpectrum = "100 1\n150 1\n";
const std::string kIsStandardInput =
    " The input file is standard input, which holds the replies. \n";
const std::string kLongName(600, 'L');

TEST_P(FailureTest, EndsWithStatusOne) {
  const FailureCase& c = GetParam();
  TempDir dir;
  writeFile(dir / "in.txt", kSpectrum);
  fs::create_directory(dir / "adir");
  fs::create_symlink("in.txt", dir / "link1");
  fs::create_symlink("link1", dir / "link2");
  fs::create_hard_link(dir / "in.txt", dir / "hard.txt");
  ASSERT_EQ(::mkfifo((dir / "afifo").c_str(), 0600), 0);
  // "{dir}" stands for the test's directory, which is known only now.
  auto expand = [&dir](std::string text) {
    for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;) {
      text.replace(at, 5, dir.path().string());
    }
    return text;
  };
  const auto run = runKelmor(expand(c.replies), dir.path());
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.output, banner() + expand(c.afterBanner));
  EXPECT_EQ(run.exitStatus, kExitFailed);
  EXPECT_EQ(readFile(dir / "in.txt"), kSpectrum) << "the input must be left unchanged";
  EXPECT_EQ(fs::exists(dir / "out.txt"), c.reportExists);
}

std::string refusedOutput(const std::string& name) {
  return opened("in.txt") +
         questionsAndOutput(" Failed to open file: " + name +
                            " \n The output file is the input file; it was left unchanged. \n") +
         kPressAnyKey;
}

std::string failedOutput(const std::string& name) {
  return opened("in.txt") + questionsAndOutput(" Failed to open file: " + name + " \n") +
         kPressAnyKey;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FailureTest,
    testing::Values(
        FailureCase{"MissingInput", "nosuch.txt 0 2 1 out.txt",
                    " Failed to open file: nosuch.txt \n" + kPressAnyKey, false},
        FailureCase{"DirectoryInput", "adir 0 2 1 out.txt",
                    " Failed to open file: adir \n" + kPressAnyKey, false},
        FailureCase{"DeviceInput", "/dev/zero 0 2 1 out.txt",
                    " Failed to open file: /dev/zero \n" + kPressAnyKey, false},
        FailureCase{"NoReplies", "", " Failed to open file:  \n" + kPressAnyKey, false},
        FailureCase{"LongNameShownWhole", kLongName.c_str(),
                    " Failed to open file: " + kLongName + " \n" + kPressAnyKey, false},
        FailureCase{"SameName", "in.txt 0 2 1 in.txt", refusedOutput("in.txt"), false},
        FailureCase{"DotSlash", "in.txt 0 2 1 ./in.txt", refusedOutput("./in.txt"), false},
        FailureCase{"AbsolutePath", "in.txt 0 2 1 {dir}/in.txt", refusedOutput("{dir}/in.txt"),
                    false},
        FailureCase{"SymbolicLink", "in.txt 0 2 1 link1", refusedOutput("link1"), false},
        FailureCase{"OtherPath", "in.txt 0 2 1 adir/../in.txt", refusedOutput("adir/../in.txt"),
                    false},
        FailureCase{"HardLink", "in.txt 0 2 1 hard.txt", refusedOutput("hard.txt"), false},
        FailureCase{"SymbolicLinkChain", "in.txt 0 2 1 link2", refusedOutput("link2"), false},
        FailureCase{"OutputIsADirectory", "in.txt 0 2 1 adir", failedOutput("adir"), false},
        FailureCase{"OutputInMissingDirectory", "in.txt 0 2 1 none/out.txt",
                    failedOutput("none/out.txt"), false},
        FailureCase{"NoOutputName", "in.txt 0 2 1", failedOutput(""), false},
        FailureCase{"FifoOutputWithoutReader", "in.txt 0 2 1 afifo", failedOutput("afifo"), false},
        FailureCase{"StandardInputPipe", "/dev/stdin 0 2 1 out.txt",
                    " Failed to open file: /dev/stdin \n" + kIsStandardInput + kPressAnyKey, false},
        FailureCase{"StandardInputByDescriptor", "/proc/self/fd/0 0 2 1 out.txt",
                    " Failed to open file: /proc/self/fd/0 \n" + kIsStandardInput + kPressAnyKey,
                    false},
        FailureCase{"FullDevice", "in.txt 0 2 1 /dev/full",
                    opened("in.txt") + questionsAndOutput(opened("/dev/full")) +
                        " Failed to write file: /dev/full \n" + kPressAnyKey,
                    false}),
    [](const auto& row) { return std::string(row.param.name); });

const std::string kOldReport = "\n \t       2.00 \t  1.0000e+000";

TEST(Program, ReadErrorIsAFailureAndKeepsTheOldReport) {
  // Reading this process's memory at address 0 fails with an I/O error.
  TempDir dir;
  writeFile(dir / "out.txt", kOldReport);
  const auto run = runKelmor("/proc/self/mem 0 2 1 out.txt", dir.path());
  EXPECT_EQ(run.output, banner() + opened("/proc/self/mem") +
                            questionsAndOutput(opened("out.txt")) +
                            " Failed to read file: /proc/self/mem \n" + kPressAnyKey);
  EXPECT_EQ(run.exitStatus, kExitFailed);
  EXPECT_EQ(readFile(dir / "out.txt"), kOldReport);
}

// The spectrum is cut short after it was opened (at the first reply), before it is read.
TEST(Program, FileCutShortIsAReadErrorAndKeepsTheOldReport) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 100000; ++i)
    text += "100 1\n";
  writeFile(dir / "in.txt", text);
  writeFile(dir / "out.txt", kOldReport);
  test::ChildProgram child(test::kelmorBinary(), dir.path());
  child.send("in.txt\n");
  ASSERT_TRUE(child.awaitOutputEnding("header lines to skip. \n", std::chrono::seconds(10)));
  fs::resize_file(dir / "in.txt", text.size() / 2);
  child.send("0 2 1 out.txt\n");
  const auto run = child.finish();
  EXPECT_TRUE(run.output.ends_with(" Failed to read file: in.txt \n" + kPressAnyKey)) << run.output;
  EXPECT_EQ(run.exitStatus, kExitFailed);
  EXPECT_EQ(readFile(dir / "out.txt"), kOldReport);
}

// Standard input redirected from a file that is then named as the spectrum.
TEST(Program, StandardInputFileIsRefusedAsTheSpectrum) {
  TempDir dir;
  writeFile(dir / "replies.txt", "replies.txt 0 2 1 out.txt\n");
  writeFile(dir / "run.sh",
            "#!/bin/sh\nexec " + std::string(test::kelmorBinary()) + " < replies.txt\n");
  fs::permissions(dir / "run.sh", fs::perms::owner_all);
  const auto run = test::runProgram((dir / "run.sh").string(), "", dir.path());
  EXPECT_EQ(run.output,
            banner() + " Failed to open file: replies.txt \n" + kIsStandardInput + kPressAnyKey);
  EXPECT_EQ(run.exitStatus, kExitFailed);
  EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

// A named pipe as the spectrum: the open waits for the writer, which starts a second later and
// sends its lines in two parts (a descriptor left non-blocking would fail between them).
TEST(Program, FifoInputWaitsForItsWriter) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "in.fifo").c_str(), 0600), 0);
  std::thread writer([&dir] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int fd = test::openFifoWriter(dir / "in.fifo", std::chrono::seconds(10));
    if (fd < 0) return;
    (void)!::write(fd, "100 1\n", 6);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    (void)!::write(fd, "150 1\n", 6);
    ::close(fd);
  });
  const auto run = runKelmor("in.fifo 0 2 1 out.txt", dir.path());
  writer.join();
  EXPECT_TRUE(run.output.ends_with(kClosing)) << run.output;
  EXPECT_EQ(run.exitStatus, kExitDone);
  EXPECT_EQ(readFile(dir / "out.txt").size(), 7 * 29u);
}

// As a user who may not write the input: the refusal must come from the look before opening,
// not from a failed open for writing.
TEST(Program, ReadOnlyInputAsTheOutputIsRefusedForAUser) {
  const bool root = ::geteuid() == 0;
  if (root && !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv is needed as root";
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all);
  writeFile(dir / "in.txt", kSpectrum);
  fs::permissions(dir / "in.txt",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  writeFile(dir / "run.sh",
            std::string("#!/bin/sh\nexec ") +
                (root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "") +
                test::kelmorBinary() + "\n");
  fs::permissions(dir / "run.sh",
                  fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  const auto run = test::runProgram((dir / "run.sh").string(), "in.txt 0 2 1 in.txt", dir.path());
  EXPECT_EQ(run.output, banner() + refusedOutput("in.txt"));
  EXPECT_EQ(run.exitStatus, kExitFailed);
}

TEST(Program, OverwritesAnotherExistingReport) {
  TempDir dir;
  writeFile(dir / "in.txt", kSpectrum);
  writeFile(dir / "out.txt", std::string(10000, 'o'));
  const auto run = runKelmor("in.txt 0 2 1 out.txt", dir.path());
  EXPECT_EQ(run.exitStatus, kExitDone);
  EXPECT_EQ(readFile(dir / "out.txt").size(), 7 * 29u);
}

}  // namespace
}  // namespace kelmor

namespace kelmor {
namespace {

// Each reply is sent only after its prompt has arrived through the pipe: a prompt held back in
// a buffer would stall this test instead of passing.
TEST(Program, ShowsEachPromptBeforeItsReplyIsAwaited) {
  TempDir dir;
  writeFile(dir / "in.txt", kSpectrum);
  test::ChildProgram child(test::kelmorBinary(), dir.path());
  const std::pair<const char*, const char*> steps[] = {
      {"Please enter the input filename. \n", "in.txt\n"},
      {"header lines to skip. \n", "0\n"},
      {"1=peak  2= RMS \n", "2\n"},
      {"2= one-third octave \n", "1\n"},
      {"Enter output filename\n", "out.txt\n"},
  };
  for (const auto& [prompt, reply] : steps) {
    ASSERT_TRUE(child.awaitOutputEnding(prompt, std::chrono::seconds(10))) << prompt;
    child.send(reply);
  }
  const auto run = child.finish();
  EXPECT_TRUE(run.output.ends_with(kClosing));
  EXPECT_EQ(run.exitStatus, kExitDone);
}

// Tests that limit the program's memory cannot run under AddressSanitizer's shadow memory.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A spectrum larger than the memory the run may use is a failure to read, not a crash.
TEST(Program, SpectrumBeyondMemoryIsAFailureToRead) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer needs more than the memory limit";
  TempDir dir;
  std::string text;
  for (int i = 0; i < 6000000; ++i)
    text += "1 2\n";  // 96 MB of points in 24 MB of text
  writeFile(dir / "in.txt", text);
  test::ChildProgram child(test::kelmorBinary(), dir.path(),
                           {.addressSpace = std::size_t{64} << 20});
  child.send("in.txt 0 2 1 out.txt");
  const auto run = child.finish();
  EXPECT_TRUE(run.output.ends_with(" Failed to read file: in.txt \n" + kPressAnyKey)) << run.output;
  EXPECT_EQ(run.exitStatus, kExitFailed);
}

TEST(Program, ReplyBeyondMemoryIsAFailure) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer needs more than the memory limit";
  TempDir dir;
  test::ChildProgram child(test::kelmorBinary(), dir.path(),
                           {.addressSpace = std::size_t{64} << 20});
  child.send(std::string(std::size_t{96} << 20, 'n'));  // one 96 MB file name
  const auto run = child.finish();
  EXPECT_TRUE(run.output.ends_with("\n\n Out of memory. \n" + kPressAnyKey)) << run.output.size();
  EXPECT_EQ(run.exitStatus, kExitFailed);
}

// The console's reader goes away before the last reply (`kelmor < replies | head -n 3`): the
// run goes on and writes the whole report.
TEST(Program, ConsoleReaderGoneStillWritesTheReport) {
  TempDir dir;
  writeFile(dir / "in.txt", kSpectrum);
  test::ChildProgram child(test::kelmorBinary(), dir.path());
  child.send("in.txt 0 2 1\n");
  ASSERT_TRUE(child.awaitOutputEnding("Enter output filename\n", std::chrono::seconds(10)));
  child.closeOutput();
  child.send("out.txt\n");
  const auto run = child.finish();
  EXPECT_EQ(run.exitStatus, kExitDone);
  EXPECT_EQ(readFile(dir / "out.txt").size(), 7 * 29u);
}

// A report into a named pipe whose reader has gone by the time it is written. The spectrum
// comes from another named pipe, so that the run waits for the test between the two.
TEST(Program, ReportIntoAPipeWithoutReaderIsAFailureToWrite) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "in.fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((dir / "out.fifo").c_str(), 0600), 0);
  const int reader = ::open((dir / "out.fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  test::ChildProgram child(test::kelmorBinary(), dir.path());
  child.send("in.fifo 0 2 1 out.fifo\n");
  const int writer = test::openFifoWriter(dir / "in.fifo", std::chrono::seconds(10));
  ASSERT_GE(writer, 0);
  EXPECT_TRUE(child.awaitOutputEnding(opened("out.fifo"), std::chrono::seconds(10)));
  ::close(reader);
  EXPECT_EQ(::write(writer, kSpectrum.data(), kSpectrum.size()),
            static_cast<ssize_t>(kSpectrum.size()));
  ::close(writer);
  const auto run = child.finish();
  EXPECT_TRUE(run.output.ends_with(" Failed to write file: out.fifo \n" + kPressAnyKey))
      << run.output;
  EXPECT_EQ(run.exitStatus, kExitFailed);
}

TEST(Program, FileSizeLimitIsAFailureToWrite) {
  TempDir dir;
  writeFile(dir / "in.txt", kSpectrum);
  test::ChildProgram child(test::kelmorBinary(), dir.path(), {.fileSize = 100});
  child.send("in.txt 0 2 1 out.txt");
  const auto run = child.finish();
  EXPECT_TRUE(run.output.ends_with(" Failed to write file: out.txt \n" + kPressAnyKey))
      << run.output;
  EXPECT_EQ(run.exitStatus, kExitFailed);
}

// A parent may leave standard input non-blocking: the replies are waited for all the same.
TEST(Program, NonBlockingStandardInputIsWaitedFor) {
  TempDir dir;
  writeFile(dir / "in.txt", kSpectrum);
  test::ChildProgram child(test::kelmorBinary(), dir.path(),
                           {.input = test::ChildProgram::Input::kNonBlockingPipe});
  ASSERT_TRUE(
      child.awaitOutputEnding("Please enter the input filename. \n", std::chrono::seconds(10)));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  child.send("in.txt 0 2 1 out.txt\n");
  const auto run = child.finish();
  EXPECT_EQ(run.output,
            banner() + opened("in.txt") + questionsAndOutput(opened("out.txt")) + kClosing);
  EXPECT_EQ(run.exitStatus, kExitDone);
}

// A sparse file that claims 2 EiB: the points are not reserved for all of it, and the run ends
// normally where the data ends (the hole reads as NUL bytes, which are not numbers).
TEST(Program, SparseFileOfTwoExbibytes) {
  for (const fs::path& parent : {fs::temp_directory_path(), fs::path("/dev/shm")}) {
    if (!fs::is_directory(parent)) continue;
    TempDir dir(parent);
    std::string text;
    for (int i = 0; i < 5000; ++i)
      text += "100 1\n";
    writeFile(dir / "in.txt", text);
    std::error_code error;
    fs::resize_file(dir / "in.txt", std::uintmax_t{1} << 61, error);
    if (error) continue;
    const auto run = runKelmor("in.txt 0 2 1 out.txt", dir.path());
    EXPECT_NE(run.output.find(" Points used: 5000 \n"), std::string::npos) << run.output;
    EXPECT_EQ(run.exitStatus, kExitPartialData);
    return;
  }
  GTEST_SKIP() << "no file system here takes a file of 2 EiB";
}

TEST(Program, ClosedStandardInputIsNoReplies) {
  TempDir dir;
  test::ChildProgram child(test::kelmorBinary(), dir.path(),
                           {.input = test::ChildProgram::Input::kClosed});
  const auto run = child.finish();
  EXPECT_EQ(run.output, banner() + " Failed to open file:  \n" + kPressAnyKey);
  EXPECT_EQ(run.exitStatus, kExitFailed);
}

}  // namespace
}  // namespace kelmor
