#include "heat_capacity/failure.hpp"

#include <cstdarg>
#include <cstdio>

namespace heat_capacity {

void setfailure(failure& f, int site, int channel, const char* format, ...) {
  f.site = site;
  f.channel = channel;
  va_list args;
  va_start(args, format);
  std::vsnprintf(f.what, sizeof f.what, format, args);
  va_end(args);
}

std::size_t diagnostic(const failure& f, const char* path, char* out, std::size_t capacity) {
  int n;
  if (f.channel == chandos) {
    n = std::snprintf(out, capacity, "lattice_heat_capacity: site %d, channel %d, file \"%s\": %s\n",
                      f.site, f.channel, path, f.what);
  } else {
    n = std::snprintf(out, capacity, "lattice_heat_capacity: site %d, channel %d (standard output): %s\n",
                      f.site, f.channel, f.what);
  }
  if (n < 0) return 0;
  return static_cast<std::size_t>(n) < capacity ? static_cast<std::size_t>(n) : capacity - 1;
}

}  // namespace heat_capacity
