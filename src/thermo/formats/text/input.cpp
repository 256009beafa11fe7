#include "thermo/formats/text/input.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace thermo {

source::~source() {
  if (owned_) ::close(fd_);
}

bool source::open(const std::string& path, std::string& why) {
  if (path == "-") {
    fd_ = 0;
    return true;
  }
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    why = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  owned_ = true;
  // A directory opens but cannot be read; say what it is.
  struct stat st;
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    why = "cannot read: it is a directory";
    return false;
  }
  if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
    size_ = static_cast<std::size_t>(st.st_size);
    rereadable_ = true;
  }
  return true;
}

std::string_view source::peek() {
  if (!peeked_) {
    peeked_ = true;
    ahead_ = std::make_unique_for_overwrite<char[]>(blocksize);  // not cleared: read over at once
    const long k = readraw(ahead_.get(), blocksize);
    aheadsize_ = k > 0 ? static_cast<std::size_t>(k) : 0;
    if (k < 0) peekstatus_ = k;
  }
  return std::string_view(ahead_.get(), aheadsize_).substr(aheadat_);
}

long source::read(char* buffer, std::size_t capacity) {
  if (aheadat_ < aheadsize_) {
    const std::size_t n = std::min(capacity, aheadsize_ - aheadat_);
    std::memcpy(buffer, ahead_.get() + aheadat_, n);
    aheadat_ += n;
    return static_cast<long>(n);
  }
  if (peekstatus_ < 0) return peekstatus_;
  return readraw(buffer, capacity);
}

long source::readraw(char* buffer, std::size_t capacity) {
  if (inmemory_) {
    const std::size_t n = std::min(capacity, memory_.size());
    std::memcpy(buffer, memory_.data(), n);
    memory_.remove_prefix(n);
    return static_cast<long>(n);
  }
  for (;;) {
    const ssize_t k = ::read(fd_, buffer, capacity);
    if (k >= 0) return static_cast<long>(k);
    if (errno != EINTR) return -errno;
  }
}

}  // namespace thermo
