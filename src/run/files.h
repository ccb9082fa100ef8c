// The file edge of the run: opening the spectrum and the report, reading and writing them.
// Every failure is reported as a value, never by an exception or errno left behind.
// files_posix.cc and files_windows.cc implement it. The spectrum is read in binary mode (bytes
// unchanged); the report is written in text mode (a line feed becomes the platform's line end).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "spectrum/byte_source.h"

namespace kelmor {

// A name with a NUL byte would open a shorter name than the one typed, so it is refused, and so
// is the empty name.
bool usableFileName(const std::string& name);

// Closes a descriptor (platform); false when the close reported an error.
bool closeDescriptor(int fd);

// Owns a file descriptor; closes it on destruction unless closed before.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int get() const { return fd_; }
  // Closes now; false when the close reported an error (for a written file: data may be lost).
  bool close();

 private:
  int fd_ = -1;
};

// Which file an open descriptor refers to, whatever the path or link it was opened by.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Reads a descriptor it does not own (standard input).
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  std::ptrdiff_t read(char* buffer, std::size_t size) override;

 private:
  int fd_;
};

// The spectrum file, opened for reading, bytes unchanged. Only a regular file or a pipe is
// accepted: a directory or a device (such as /dev/zero) fails to open.
class InputFile final : public ByteSource {
 public:
  static std::optional<InputFile> open(const std::string& name);

  std::ptrdiff_t read(char* buffer, std::size_t size) override;
  // The file's size in bytes when it is a regular file, else 0.
  std::uint64_t size() const { return size_; }
  const FileIdentity& identity() const { return identity_; }
  void close() { fd_.close(); }

 private:
  UniqueFd fd_;
  std::uint64_t size_ = 0;
  FileIdentity identity_;
};

class OutputFile {
 public:
  enum class Error {
    kNone,
    kFailed,       // cannot be created or opened for writing
    kIsInputFile,  // refers to the open input file (any path or link to it); left untouched
  };
  struct Opened;

  // Creates the file or empties the existing one, unless it is the input file.
  static Opened open(const std::string& name, const InputFile& input);

  // Writes all of `text`; false on any error. After an error further writes are skipped.
  bool write(std::string_view text);
  // Closes the file; false when a write or the close failed.
  bool close();

 private:
  UniqueFd fd_;
  bool failed_ = false;
};

struct OutputFile::Opened {
  std::optional<OutputFile> file;
  Error error = Error::kNone;
};

}  // namespace kelmor
