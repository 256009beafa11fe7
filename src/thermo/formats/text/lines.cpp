#include "thermo/formats/text/lines.hpp"

#include <algorithm>
#include <cstring>

namespace thermo {

// The first LF or CR in [from, to), or nullptr. The CRs are searched for
// once over all the unread bytes, not once a line: a file without them (all
// but a few) then costs one search a line.
const char* linereader::lineend(std::size_t from, std::size_t to) {
  const char* base = buffer_.data();
  const char* lf = static_cast<const char*>(std::memchr(base + from, '\n', to - from));
  const std::size_t stop = lf != nullptr ? static_cast<std::size_t>(lf - base) : to;
  if (cr_ < from || (cr_ == crend_ && crend_ < stop)) {
    const void* cr = std::memchr(base + from, '\r', end_ - from);
    cr_ = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - base) : end_;
    crend_ = end_;
  }
  return cr_ < stop ? base + cr_ : lf;
}

linereader::linereader(source& in, std::vector<char>& storage) : in_(in), buffer_(storage) {
  // Two blocks to begin with; more only for a line longer than a block.
  if (buffer_.size() < 2 * source::blocksize + 1) buffer_.resize(2 * source::blocksize + 1);
}

bool linereader::fill() {
  if (eof_) return false;
  if (begin_ > 0) {  // keep the unread bytes at the front
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    cr_ = cr_ >= begin_ ? cr_ - begin_ : 0;
    crend_ = crend_ >= begin_ ? crend_ - begin_ : 0;
    if (cr_ < crend_ && buffer_[cr_] != '\r') cr_ = crend_ = 0;  // passed over: search again
    begin_ = 0;
  }
  if (end_ + source::blocksize + 1 > buffer_.size())  // a long line: room for it, up to maxline
    buffer_.resize(std::min(buffersize, 2 * buffer_.size()));
  const long k = in_.read(buffer_.data() + end_, source::blocksize);
  if (k <= 0) {
    if (k < 0) error_ = static_cast<int>(-k);
    eof_ = true;
    return false;
  }
  end_ += static_cast<std::size_t>(k);
  return true;
}

linereader::status linereader::next(std::string_view& text) {
  if (first_) {
    first_ = false;
    // The first block: binary data, and a byte-order mark.
    while (end_ < 3 && fill()) {
    }
    if (error_ != 0) return status::error;
    if (const void* nul = std::memchr(buffer_.data(), '\0', end_); nul != nullptr) {
      number_ = 1;
      for (const char* p = buffer_.data(); p != nul; ++p)
        if (*p == '\n' || (*p == '\r' && p + 1 != nul && p[1] != '\n')) ++number_;
      return status::binary;
    }
    if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) begin_ = 3;
  }
  if (sentinelset_) {
    buffer_[sentinel_] = kept_;
    sentinelset_ = false;
  }
  truncated_ = false;
  // The rest of a line cut short, unread.
  while (skiprest_) {
    if (const char* e = lineend(begin_, end_); e != nullptr) {
      begin_ = static_cast<std::size_t>(e - buffer_.data()) + 1;
      skiprest_ = false;
      crpending_ = *e == '\r';
    } else {
      begin_ = end_;
      if (!fill()) {
        if (error_ != 0) return status::error;
        return status::end;
      }
    }
  }
  std::size_t scanned = 0;  // bytes after begin_ that hold no line end
  for (;;) {
    if (crpending_ && begin_ < end_) {  // the LF of a CRLF
      crpending_ = false;
      if (buffer_[begin_] == '\n') ++begin_;
    }
    char* const base = buffer_.data();
    const std::size_t avail = end_ - begin_;
    // A line end right after maxline bytes still ends a whole line.
    const std::size_t limit = avail < maxline + 1 ? avail : maxline + 1;
    if (const char* e = lineend(begin_ + scanned, begin_ + limit); e != nullptr) {
      const auto at = static_cast<std::size_t>(e - base);
      text = std::string_view(base + begin_, at - begin_);
      ++number_;
      begin_ = at + 1;
      if (*e == '\r') crpending_ = true;
      return status::line;
    }
    if (avail > maxline) {
      // Hand out the first maxline bytes, followed by a line end written
      // over the next byte until the next call; pass over the rest then.
      const std::size_t at = begin_ + maxline;
      kept_ = base[at];
      sentinel_ = at;
      sentinelset_ = true;
      base[at] = '\n';
      text = std::string_view(base + begin_, maxline);
      ++number_;
      truncated_ = true;
      skiprest_ = true;
      begin_ = at;
      return status::line;
    }
    scanned = limit;
    if (!fill()) {
      if (error_ != 0) return status::error;
      if (begin_ == end_) return status::end;
      // The last line has no line end: give it one.
      buffer_[end_] = '\n';
      text = std::string_view(buffer_.data() + begin_, end_ - begin_);
      ++number_;
      begin_ = end_;
      return status::line;
    }
  }
}

problem linereader::failure(status st, const char* kind) const {
  if (st == status::binary) return {number_, std::string("binary data, not ") + kind};
  return {number_ + 1, std::string("cannot read: ") + std::strerror(error_)};
}

}  // namespace thermo
