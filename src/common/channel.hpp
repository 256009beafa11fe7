// Where a program's text goes: standard output and standard error in the
// programs, a string in tests and benchmarks. Shared by both programs.
#pragma once

#include <cstddef>
#include <string>

namespace common {

// A sink for text.
class outchannel {
 public:
  virtual ~outchannel() = default;
  // Writes all n bytes; returns 0 or the errno value of the failure.
  virtual int write(const char* text, std::size_t n) = 0;
};

// A file descriptor, written with write(2).
class fdchannel final : public outchannel {
 public:
  explicit fdchannel(int fd) : fd_(fd) {}
  int write(const char* text, std::size_t n) override;

 private:
  int fd_;
};

// A string that collects everything written.
class stringchannel final : public outchannel {
 public:
  int write(const char* text, std::size_t n) override {
    text_.append(text, n);
    return 0;
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace common
