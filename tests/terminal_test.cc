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
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
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

// Runs in the forked helper; never returns. Like a shell, the helper leads the session and
// starts kelmor in a process group of its own: in the foreground, or (as under `timeout` or
// with `&`) in the background with its replies from a file.
[[noreturn]] void helper(int terminal, int report, const std::filesystem::path& dir,
                         bool background) {
  ::setsid();
  ::ioctl(terminal, TIOCSCTTY, 0);
  ::signal(SIGTTOU, SIG_IGN);  // the helper looks at the terminal from the background
  termios before{};
  ::tcgetattr(terminal, &before);
  const pid_t kelmor = ::fork();
  if (kelmor == 0) {
    ::setpgid(0, 0);
    if (!background) ::tcsetpgrp(terminal, ::getpid());
    ::signal(SIGTTOU, SIG_DFL);
    ::dup2(terminal, STDIN_FILENO);
    ::dup2(terminal, STDOUT_FILENO);
    ::dup2(terminal, STDERR_FILENO);
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT ends it without a core file
    if (background) {
      const int replies = ::open("replies.txt", O_RDONLY);
      ::dup2(replies, STDIN_FILENO);
    }
    ::execl(test::kelmorBinary(), test::kelmorBinary(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  (void)!::write(report, &kelmor, sizeof kelmor);
  HelperReport result;
  ::waitpid(kelmor, &result.status, 0);
  ::tcsetpgrp(terminal, ::getpgrp());  // back in the foreground, as a shell takes it back
  termios after{};
  ::tcgetattr(terminal, &after);
  result.settingsKept = sameSettings(before, after);
  // Bytes still on their way (the late tail of a key) must have arrived before the look.
  ::usleep(200000);
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

// Writes all of `bytes` to the master within a bounded time: a wait that stopped reading must
// fail the test, not hang it.
bool sendAll(int master, std::string_view bytes) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!bytes.empty() && std::chrono::steady_clock::now() < deadline) {
    pollfd p{master, POLLOUT, 0};
    if (::poll(&p, 1, 100) != 1) continue;
    const ssize_t put = ::write(master, bytes.data(), std::min<std::size_t>(bytes.size(), 512));
    if (put > 0) bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return bytes.empty();
}

// Reads what the terminal shows within `timeout`.
std::string screenFor(int master, std::chrono::milliseconds timeout) {
  std::string screen;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    char chunk[512];
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 20) == 1) {
      const ssize_t got = ::read(master, chunk, sizeof chunk);
      if (got > 0) screen.append(chunk, static_cast<std::size_t>(got));
    }
  }
  return screen;
}

// Waits until process `pid` is in `state` (the letter of /proc/PID/stat: 'T' stopped).
bool waitForState(pid_t pid, char state, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string stat = test::readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == state) {
      return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

// Waits until the terminal is raw (no echo, no line editing), as the key wait sets it.
bool waitForRaw(int master, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    termios now{};
    ::tcgetattr(master, &now);
    if ((now.c_lflag & (ECHO | ICANON)) == 0) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

enum class Mode {
  kForeground,    // kelmor in the terminal's foreground process group
  kBackground,    // in a group of its own: the wait must end at once
  kStopContinue,  // SIGTSTP, a key typed while stopped, SIGCONT, then the key
};

struct KeyRow {
  const char* name;
  std::string key;         // bytes typed at the final prompt, or empty
  int signal;              // signal sent instead, or 0
  std::string ahead = {};  // typed after the replies, before the final prompt appears
  std::string tail = {};   // typed 20 ms after the key
  Mode mode = Mode::kForeground;
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
  const bool background = row.mode == Mode::kBackground;
  test::writeFile(dir / "replies.txt", "in.txt 0 2 1 out.txt\n");
  if (helperPid == 0) {
    ::close(master);
    ::close(report[0]);
    helper(terminal, report[1], dir.path(), background);
  }
  ::close(terminal);
  ::close(report[1]);
  pid_t kelmor = -1;
  ASSERT_TRUE(readFor(report[0], &kelmor, sizeof kelmor, 10s));

  HelperReport result;
  if (background) {
    // No key: the wait must end by itself, the terminal untouched.
    const bool ended = readFor(report[0], &result, sizeof result, 10s);
    EXPECT_TRUE(ended) << "the wait did not end in the background";
    if (!ended) ::kill(kelmor, SIGKILL);
    if (ended) {
      EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0) << result.status;
      EXPECT_TRUE(result.settingsKept);
      EXPECT_EQ(result.leftover, 0);
    }
    ::kill(helperPid, SIGKILL);
    ::waitpid(helperPid, nullptr, 0);
    ::close(report[0]);
    ::close(master);
    return;
  }

  const std::string replies = "in.txt 0 2 1 out.txt\n" + row.ahead;
  ASSERT_EQ(::write(master, replies.data(), replies.size()), static_cast<ssize_t>(replies.size()));
  std::string screen;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (screen.find("Press any key to exit.") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    screen += screenFor(master, 100ms);
  }
  EXPECT_NE(screen.find("Press any key to exit."), std::string::npos) << screen;

  // The wait must still be on: nothing typed so far may end it.
  std::this_thread::sleep_for(300ms);
  pollfd early{report[0], POLLIN, 0};
  EXPECT_EQ(::poll(&early, 1, 0), 0) << "the wait ended before the key";

  if (row.mode == Mode::kStopContinue) {
    ::kill(kelmor, SIGTSTP);
    EXPECT_TRUE(waitForState(kelmor, 'T', 5s)) << "not stopped by SIGTSTP";
    termios stopped{};
    ::tcgetattr(master, &stopped);
    EXPECT_NE(stopped.c_lflag & ECHO, 0u) << "the settings were not restored at the stop";
    EXPECT_TRUE(sendAll(master, "x"));  // typed while stopped: not the key
    ::kill(kelmor, SIGCONT);
    EXPECT_TRUE(waitForRaw(master, 5s)) << "not raw again after SIGCONT";
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(::poll(&early, 1, 0), 0) << "the wait ended on a key typed while stopped";
    screenFor(master, 50ms);  // what the stop showed
  }

  // The prompt appears just before the terminal is switched to raw mode, which drops what was
  // typed: on a very busy machine a key may come too early and be dropped as typed ahead. The
  // key is then pressed again, as an operator would.
  bool ended = false;
  for (int attempt = 0; attempt < 3 && !ended; ++attempt) {
    if (row.signal != 0) {
      ::kill(kelmor, row.signal);
    } else {
      ASSERT_TRUE(sendAll(master, row.key));
      if (!row.tail.empty()) {
        std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(sendAll(master, row.tail));
      }
    }
    ended = readFor(report[0], &result, sizeof result, 4s);
  }
  if (!ended) ::kill(kelmor, SIGKILL);
  EXPECT_TRUE(ended) << "the wait did not end";
  if (ended) {
    if (row.signal != 0) {
      EXPECT_TRUE(WIFSIGNALED(result.status) && WTERMSIG(result.status) == row.signal)
          << result.status;
    } else {
      EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0) << result.status;
    }
    EXPECT_TRUE(result.settingsKept);
    EXPECT_EQ(result.leftover, 0) << "bytes of the key were left for the next reader";
  }
  if (row.mode == Mode::kStopContinue) {
    EXPECT_EQ(screenFor(master, 100ms), "") << "the key was echoed";
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
                    KeyRow{"Sigquit", "", SIGQUIT, ""}, KeyRow{"Sigalrm", "", SIGALRM, ""},
                    KeyRow{"TypedAheadIsDropped", "b", 0, "zz"},
                    KeyRow{"TwoKeysAtOnce", "ab", 0, ""},
                    KeyRow{"EscapeTailArrivesLate", "\x1b", 0, "", "[A"},
                    KeyRow{"PasteOf8KiB",
                           std::string(8192 / 16 * 16, 'p').replace(0, 16, "echo pasted; ls\n"), 0,
                           ""},
                    KeyRow{"NotInTheForeground", "", 0, "", "", Mode::kBackground},
                    KeyRow{"StopThenContinue", "c", 0, "", "", Mode::kStopContinue}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kelmor
