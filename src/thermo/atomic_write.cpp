#include "thermo/atomic_write.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "common/channel.hpp"

namespace thermo {

bool writeatomically(const std::string& path, const std::string& text, bool force, std::string& why) {
  if (!force && ::access(path.c_str(), F_OK) == 0) {
    why = "exists; --force replaces it";
    return false;
  }
  std::string tmp = path + ".tmpXXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    why = std::string("cannot create a temporary file beside it: ") + std::strerror(errno);
    return false;
  }
  common::fdchannel ch(fd);
  int e = ch.write(text.data(), text.size());
  if (e == 0 && ::fsync(fd) != 0) e = errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  if (e == 0 && ::chmod(tmp.c_str(), 0644) != 0) e = errno;
  if (e == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) e = errno;
  if (e != 0) {
    ::unlink(tmp.c_str());
    why = std::string("cannot write: ") + std::strerror(e);
    return false;
  }
  return true;
}

}  // namespace thermo
