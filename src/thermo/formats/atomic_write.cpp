#include "thermo/formats/atomic_write.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "common/channel.hpp"

namespace thermo {

namespace {

// The temporary file a signal handler removes. A handler can reach nothing
// but static storage; only one file is written at a time.
char pendingpath[4096];
volatile std::sig_atomic_t pending = 0;

extern "C" void removepending(int sig) {
  if (pending) ::unlink(pendingpath);
  // SA_RESETHAND has restored the default action; the signal, blocked while
  // this runs, takes it on return.
  ::raise(sig);
}

// Blocks SIGINT and SIGTERM for its lifetime.
struct blocked {
  sigset_t old;
  blocked() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, &old);
  }
  ~blocked() { pthread_sigmask(SIG_SETMASK, &old, nullptr); }
};

}  // namespace

bool writeatomically(const std::string& path, const std::string& text, bool force, mode_t newmode, std::string& why) {
  struct stat st;
  mode_t mode = newmode;
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      why = S_ISLNK(st.st_mode) ? "is a symbolic link; only a regular file is replaced"
                                : "is not a regular file; only a regular file is replaced";
      return false;
    }
    if (!force) {
      why = "exists; --force replaces it";
      return false;
    }
    mode = st.st_mode & 07777;
  }
  std::string tmp = path + ".tmpXXXXXX";
  if (tmp.size() >= sizeof pendingpath) {
    why = "the path is too long";
    return false;
  }
  struct sigaction action {}, oldint {}, oldterm {};
  action.sa_handler = removepending;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  int fd;
  {
    const blocked b;
    fd = ::mkstemp(tmp.data());
    if (fd < 0) {
      why = std::string("cannot create a temporary file beside it: ") + std::strerror(errno);
      return false;
    }
    std::memcpy(pendingpath, tmp.c_str(), tmp.size() + 1);
    pending = 1;
    ::sigaction(SIGINT, &action, &oldint);
    ::sigaction(SIGTERM, &action, &oldterm);
  }
  common::fdchannel ch(fd);
  int e = ch.write(text.data(), text.size());
  if (e == 0 && ::fchmod(fd, mode) != 0) e = errno;
  if (e == 0 && ::fsync(fd) != 0) e = errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  if (e == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) e = errno;
  {
    const blocked b;
    if (e != 0) ::unlink(tmp.c_str());
    pending = 0;
    ::sigaction(SIGINT, &oldint, nullptr);
    ::sigaction(SIGTERM, &oldterm, nullptr);
  }
  if (e != 0) {
    why = std::string("cannot write: ") + std::strerror(e);
    return false;
  }
  return true;
}

}  // namespace thermo
