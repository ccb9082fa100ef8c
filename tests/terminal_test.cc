// The final key wait on a real (pseudo) terminal. A helper process is the session leader with
// the pty as its controlling terminal, as a shell would be; kelmor runs as its child in the
// foreground. After kelmor ends, the helper reports what the next reader of the terminal would
// find: the settings and any bytes left in the input queue.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "test_support.h"

namespace kelmor {
namespace {

using namespace std::chrono_literals;

struct HelperReport {
  int status = -1;            // kelmor's wait status
  bool settingsKept = false;  // the terminal settings after equal those before
  int leftover = -1;          // bytes left in the terminal's input queue
};

bool sameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// Runs in the forked helper; never returns.
[[noreturn]] void helper(int terminal, int report, const std::filesystem::path& dir) {
  ::setsid();
  ::ioctl(terminal, TIOCSCTTY, 0);
  termios before{};
  ::tcgetattr(terminal, &before);
  const pid_t kelmor = ::fork();
  if (kelmor == 0) {
    ::dup2(terminal, STDIN_FILENO);
    ::dup2(terminal, STDOUT_FILENO);
    ::dup2(terminal, STDERR_FILENO);
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::execl(test::kelmorBinary(), test::kelmorBinary(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  (void)!::write(report, &kelmor, sizeof kelmor);
  HelperReport result;
  ::waitpid(kelmor, &result.status, 0);
  termios after{};
  ::tcgetattr(terminal, &after);
  result.settingsKept = sameSettings(before, after);
  // Look at the input queue without waiting and without discarding it.
  termios peek = after;
  peek.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  peek.c_cc[VMIN] = 0;
  peek.c_cc[VTIME] = 0;
  ::tcsetattr(terminal, TCSANOW, &peek);
  char scratch[64];
  result.leftover = static_cast<int>(::read(terminal, scratch, sizeof scratch));
  ::tcsetattr(terminal, TCSANOW, &after);
  (void)!::write(report, &result, sizeof result);
  ::_exit(0);
}

bool readFor(int fd, void* buffer, std::size_t size, std::chrono::milliseconds timeout) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, static_cast<int>(timeout.count())) == 1 &&
         ::read(fd, buffer, size) == static_cast<ssize_t>(size);
}

struct KeyRow {
  const char* name;
  std::string key;    // bytes typed at the final prompt, or empty
  int signal;         // signal sent instead, or 0
  std::string ahead;  // typed after the replies, before the final prompt appears
};

void PrintTo(const KeyRow& row, std::ostream* os) {
  *os << row.name;
}

class KeyWaitTest : public testing::TestWithParam<KeyRow> {};

TEST_P(KeyWaitTest, EndsOnTheKeyAndLeavesTheTerminalAsItWas) {
  const KeyRow& row = GetParam();
  test::TempDir dir;
  test::writeFile(dir / "in.txt", "100 1\n150 1\n");
  int master = -1;
  int terminal = -1;
  ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const pid_t helperPid = ::fork();
  ASSERT_GE(helperPid, 0);
  if (helperPid == 0) {
    ::close(master);
    ::close(report[0]);
    helper(terminal, report[1], dir.path());
  }
  ::close(terminal);
  ::close(report[1]);
  pid_t kelmor = -1;
  ASSERT_TRUE(readFor(report[0], &kelmor, sizeof kelmor, 10s));

  const std::string replies = "in.txt 0 2 1 out.txt\n" + row.ahead;
  ASSERT_EQ(::write(master, replies.data(), replies.size()), static_cast<ssize_t>(replies.size()));
  std::string screen;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (screen.find("Press any key to exit.") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    char chunk[512];
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) == 1) {
      const ssize_t got = ::read(master, chunk, sizeof chunk);
      if (got > 0) screen.append(chunk, static_cast<std::size_t>(got));
    }
  }
  EXPECT_NE(screen.find("Press any key to exit."), std::string::npos) << screen;

  // The wait must still be on: nothing typed so far may end it.
  std::this_thread::sleep_for(300ms);
  pollfd early{report[0], POLLIN, 0};
  EXPECT_EQ(::poll(&early, 1, 0), 0) << "the wait ended before the key";

  // The prompt appears just before the terminal is switched to raw mode, which drops what was
  // typed: on a very busy machine a key may come too early and be dropped as typed ahead. The
  // key is then pressed again, as an operator would.
  HelperReport result;
  bool ended = false;
  for (int attempt = 0; attempt < 3 && !ended; ++attempt) {
    if (row.signal != 0) {
      ::kill(kelmor, row.signal);
    } else {
      ASSERT_EQ(::write(master, row.key.data(), row.key.size()),
                static_cast<ssize_t>(row.key.size()));
    }
    ended = readFor(report[0], &result, sizeof result, 4s);
  }
  if (!ended) ::kill(kelmor, SIGKILL);
  EXPECT_TRUE(ended) << "the wait did not end";
  if (ended) {
    if (row.signal != 0) {
      EXPECT_TRUE(WIFSIGNALED(result.status) && WTERMSIG(result.status) == row.signal);
    } else {
      EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0);
    }
    EXPECT_TRUE(result.settingsKept);
    EXPECT_EQ(result.leftover, 0) << "bytes of the key were left for the next reader";
  }
  ::kill(helperPid, SIGKILL);
  ::waitpid(helperPid, nullptr, 0);
  ::close(report[0]);
  ::close(master);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyWaitTest,
    testing::Values(KeyRow{"Letter", "a", 0, ""}, KeyRow{"Enter", "\r", 0, ""},
                    KeyRow{"CursorUp", "\x1b[A", 0, ""}, KeyRow{"F5", "\x1b[15~", 0, ""},
                    KeyRow{"CtrlC", "\x03", 0, ""}, KeyRow{"Sigterm", "", SIGTERM, ""},
                    KeyRow{"Sighup", "", SIGHUP, ""}, KeyRow{"Sigint", "", SIGINT, ""},
                    KeyRow{"TypedAheadIsDropped", "b", 0, "zz"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelmor
