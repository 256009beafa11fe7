// lattice_thermo's input: the bytes of a DOS file, of standard input, or of a
// text in memory, handed out in blocks so that no file is ever held whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace thermo {

class source {
 public:
  // Bytes read at a time from a file.
  static constexpr std::size_t blocksize = std::size_t{1} << 16;

  source() = default;
  // A text in memory (tests, the fuzzer, the Python module).
  explicit source(std::string_view text) : memory_(text), inmemory_(true) {}
  source(const source&) = delete;
  source& operator=(const source&) = delete;
  ~source();

  // Opens the file at path; "-" is standard input. False with the reason
  // ("cannot open: ...") in why.
  bool open(const std::string& path, std::string& why);

  // Places up to capacity bytes in buffer: their count, 0 at the end, or a
  // negated errno value.
  long read(char* buffer, std::size_t capacity);

  // The size of a regular file in bytes, or 0 (standard input, a pipe, a
  // text in memory): a hint for how much room its contents need.
  std::size_t size() const { return size_; }

  // Whether opening the path again reads the same bytes from the start: a
  // regular file opened by its path. Not standard input, a pipe (a second
  // reader takes bytes from the first, or finds none), a device or a text
  // in memory.
  bool rereadable() const { return rereadable_; }

  // The first bytes (up to one block), read ahead and handed out again by
  // read(); empty at once at the end or on an error, which read() reports.
  std::string_view peek();

 private:
  long readraw(char* buffer, std::size_t capacity);

  int fd_ = -1;
  bool owned_ = false;  // fd_ was opened here and is closed here
  std::size_t size_ = 0;
  bool rereadable_ = false;
  std::string_view memory_;
  bool inmemory_ = false;
  std::unique_ptr<char[]> ahead_;  // bytes read by peek(), handed out from aheadat_
  std::size_t aheadsize_ = 0, aheadat_ = 0;
  bool peeked_ = false;
  long peekstatus_ = 0;    // a negated errno from peek()'s read
};

}  // namespace thermo
