#include "thermo/input.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace thermo {

bool readwhole(const std::string& path, std::string& text, std::string& why) {
  const int fd = path == "-" ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  text.clear();
  char buf[65536];
  for (;;) {
    const ssize_t k = ::read(fd, buf, sizeof buf);
    if (k < 0) {
      if (errno == EINTR) continue;
      why = std::string("cannot read: ") + std::strerror(errno);
      if (fd != 0) ::close(fd);
      return false;
    }
    if (k == 0) break;
    text.append(buf, static_cast<std::size_t>(k));
  }
  if (fd != 0) ::close(fd);
  return true;
}

}  // namespace thermo
