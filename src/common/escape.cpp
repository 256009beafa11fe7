#include "common/escape.hpp"

namespace common {

std::size_t escape(const char* text, std::size_t n, char* out, std::size_t capacity) {
  static constexpr char hex[] = "0123456789ABCDEF";
  if (capacity == 0) return 0;
  std::size_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (printable(c)) {
      if (k + 1 >= capacity) break;
      out[k++] = static_cast<char>(c);
    } else if (c == '\\') {
      if (k + 2 >= capacity) break;
      out[k++] = '\\';
      out[k++] = '\\';
    } else {
      if (k + 4 >= capacity) break;
      out[k++] = '\\';
      out[k++] = 'x';
      out[k++] = hex[c >> 4];
      out[k++] = hex[c & 15];
    }
  }
  out[k] = '\0';
  return k;
}

}  // namespace common
