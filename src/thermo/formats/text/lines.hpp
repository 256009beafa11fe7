// lattice_thermo: a text file line by line in bounded memory. Lines end in
// LF, CRLF or a lone CR; a UTF-8 byte-order mark at the start is passed over;
// a line longer than `maxline` bytes is handed out cut to its first maxline
// bytes and the rest passed over unread. A NUL byte in the first block read
// marks the input as binary data.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "thermo/base/problem.hpp"
#include "thermo/formats/text/input.hpp"

namespace thermo {

class linereader {
 public:
  static constexpr std::size_t maxline = std::size_t{1} << 20;

  enum class status { line, end, error, binary };

  // The buffer a reader needs, in bytes.
  static constexpr std::size_t buffersize = maxline + source::blocksize + 1;

  // Reads `in` through `storage`, grown as lines need up to buffersize
  // bytes, so that a caller can keep one buffer for many files.
  linereader(source& in, std::vector<char>& storage);

  // The next line, without its end, in text: valid until the next call, and
  // followed in memory by one line-end character, so that a reader may look
  // one byte past it. `end` after the last line; `error` when the input
  // cannot be read (errno in error()); `binary` instead of the first line
  // when the first block holds a NUL byte (its line in number()).
  status next(std::string_view& text);

  // What next()'s `error` or `binary` means for a file that should be
  // `kind` ("a DOS text file"): "binary data, not ..." at the line of the NUL
  // byte, or "cannot read: ..." at the line that could not be read.
  problem failure(status st, const char* kind) const;

  long number() const { return number_; }    // the line handed out last, from 1
  bool truncated() const { return truncated_; }  // it was longer than maxline
  int error() const { return error_; }

 private:
  bool fill();  // reads one more block; false at the end or on an error
  const char* lineend(std::size_t from, std::size_t to);

  source& in_;
  std::vector<char>& buffer_;
  std::size_t begin_ = 0, end_ = 0;  // the bytes not yet handed out
  long number_ = 0;
  bool truncated_ = false;
  bool eof_ = false;
  bool first_ = true;
  bool crpending_ = false;  // the last line ended in a CR at the end of a block
  bool skiprest_ = false;   // the last line was cut: pass over the rest of it
  std::size_t sentinel_ = 0;  // where a line end was written over this byte
  char kept_ = 0;
  bool sentinelset_ = false;
  int error_ = 0;
  // No CR in the buffer from the last search's start to cr_; cr_ holds one
  // where it is below crend_, the end of the bytes that search covered.
  std::size_t cr_ = 0, crend_ = 0;
};

}  // namespace thermo
