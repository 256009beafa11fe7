#include "common/channel.hpp"

#include <cerrno>
#include <unistd.h>

namespace common {

int fdchannel::write(const char* text, std::size_t n) {
  while (n > 0) {
    const ssize_t k = ::write(fd_, text, n);
    if (k < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text += k;
    n -= static_cast<std::size_t>(k);
  }
  return 0;
}

}  // namespace common
