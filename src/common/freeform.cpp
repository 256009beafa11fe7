#include "common/freeform.hpp"

#include <cstring>

namespace common {

listreader::listreader(const char* data, std::size_t size) noexcept
    : cur_(data), end_(data + size) {}

listreader::listreader(refillfn refill, void* context, char* buffer, std::size_t capacity) noexcept
    : cur_(buffer), end_(buffer), refill_(refill), context_(context), buffer_(buffer),
      capacity_(capacity) {}

bool listreader::refill() {
  if (done_ || refill_ == nullptr) {
    done_ = true;
    return false;
  }
  const long n = refill_(context_, buffer_, capacity_);
  if (n <= 0) {
    if (n < 0) error_ = static_cast<int>(-n);
    done_ = true;
    return false;
  }
  cur_ = buffer_;
  end_ = buffer_ + n;
  return true;
}

int listreader::peek() {
  if (cur_ == end_ && !refill()) return error_ != 0 ? errchar : eofchar;
  return static_cast<unsigned char>(*cur_);
}

void listreader::skipline() {
  for (;;) {
    if (cur_ == end_ && !refill()) return;
    const void* nl = std::memchr(cur_, '\n', static_cast<std::size_t>(end_ - cur_));
    if (nl != nullptr) {
      cur_ = static_cast<const char*>(nl) + 1;
      return;
    }
    cur_ = end_;
  }
}

int listreader::skipspace() {
  int c = peek();
  while (isblankc(c) || c == '\n') {
    advance();
    c = peek();
  }
  return c;
}

readresult listreader::readreals(double* out, int count) {
  readresult res;
  long long repeat = 0;  // copies of the last item still to hand out
  bool repeatnull = false;
  double repeatvalue = 0.0;
  bool needsep = false;  // a value was read and its separator not yet passed
  for (int i = 0; i < count; ++i) {
    if (repeat > 0) {
      if (!repeatnull) out[i] = repeatvalue;
      --repeat;
      continue;
    }
    int c = skipspace();
    if (needsep && c == ',') {
      advance();
      needsep = false;
      c = skipspace();
    }
    if (c == errchar) {
      res.status = readstatus::ioerror;
      res.error = error_;
      return res;
    }
    if (c == eofchar) {
      res.status = readstatus::endoffile;
      return res;
    }
    if (c == '/') break;
    if (c == ',') {  // nothing between two separators: a null value
      advance();
      continue;
    }
    double value = 0.0;
    bool null = false;
    if (parsenumber(value, repeat, null, res) == 0) {
      if (error_ != 0) {
        res.status = readstatus::ioerror;
        res.error = error_;
      }
      res.item = i + 1;
      return res;
    }
    if (!null) out[i] = value;
    repeatnull = null;
    repeatvalue = value;
    --repeat;
    needsep = true;
  }
  skipline();
  if (error_ != 0) {
    res.status = readstatus::ioerror;
    res.error = error_;
  }
  return res;
}

readresult listreader::readtext(char* out, std::size_t capacity, std::size_t& length) {
  readresult res;
  int c = skipspace();
  if (c == errchar || c == eofchar) {
    res.status = c == errchar ? readstatus::ioerror : readstatus::endoffile;
    res.error = error_;
    return res;
  }
  std::size_t n = 0;
  auto store = [&](int ch) {
    if (n < capacity) out[n] = static_cast<char>(ch);
    ++n;
  };
  if (c == '\'' || c == '"') {
    const int quote = c;
    advance();
    for (;;) {
      c = peek();
      if (c < 0) {  // the input ended inside the quoted string
        res.status = c == errchar ? readstatus::ioerror : readstatus::endoffile;
        res.error = error_;
        return res;
      }
      advance();
      if (c == quote) {
        if (peek() != quote) break;
        advance();
      } else if (c == '\n') {
        continue;  // a line end inside the string adds nothing to it
      }
      store(c);
    }
    length = n < capacity ? n : capacity;
  } else if (c != ',' && c != '/') {
    while (!endsitem(c)) {
      store(c);
      advance();
      c = peek();
    }
    length = n < capacity ? n : capacity;
  }
  skipline();
  if (error_ != 0) {
    res.status = readstatus::ioerror;
    res.error = error_;
  }
  return res;
}

}  // namespace common
