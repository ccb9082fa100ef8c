// The floor for reading a spectrum: read the file in 1 MiB blocks and parse every number after
// the two header lines with std::from_chars, nothing else. Usage: kelmor_floor FILE
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int fd = ::open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  std::vector<char> buffer(std::size_t{1} << 20);
  std::size_t kept = 0;
  int headerLines = 2;
  long count = 0;
  double sum = 0;
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - kept);
    if (got < 0) return 1;
    const bool last = got == 0;
    const char* p = buffer.data();
    const char* end = p + kept + static_cast<std::size_t>(got);
    while (headerLines > 0 && p != end) {
      if (*p++ == '\n') --headerLines;
    }
    for (;;) {
      while (p != end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
        ++p;
      if (p == end) break;
      double value = 0;
      const auto [next, ec] = std::from_chars(p, end, value);
      // "1.5e" at the end of a block may be "1.5e-3": leave it for the next block.
      if (!last && end - next < 3) break;
      if (ec != std::errc()) return 1;
      sum += value;
      ++count;
      p = next;
    }
    kept = static_cast<std::size_t>(end - p);
    std::memmove(buffer.data(), p, kept);
    if (last) break;
  }
  std::printf("%ld numbers, sum %g\n", count, sum);
  return 0;
}
