// The operator's replies: whitespace-delimited tokens on standard input, one per question.
// Line breaks mean nothing; several replies may share a line. Input is pulled only as far as
// a reply needs it, so each prompt can be shown before its reply is awaited.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "spectrum/byte_source.h"

namespace kelmor {

class ReplyReader {
 public:
  explicit ReplyReader(ByteSource& source) : source_(source) {}

  // Skips whitespace and takes the token up to the next whitespace, whole, whatever its
  // length. Empty when the input has ended.
  std::string readName();

  // Skips whitespace and reads an optionally signed decimal integer, stopping at the first
  // byte that cannot continue it: "2x" gives 2 and leaves "x". Values beyond 32 bits saturate
  // to the nearest limit. Fails (nullopt) when the token does not begin with a number, leaving
  // the whole token ("-x", a lone "+") for the next reply, or when the input has ended.
  std::optional<std::int32_t> readInteger();

 private:
  // The byte `offset` places ahead, or -1 at the end of the input (a read error counts as end).
  int peek(std::size_t offset);
  void skipSpace();

  ByteSource& source_;
  std::string pending_;
  std::size_t next_ = 0;
  bool ended_ = false;
};

}  // namespace kelmor
