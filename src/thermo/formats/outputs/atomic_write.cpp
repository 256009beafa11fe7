#include "thermo/formats/outputs/atomic_write.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
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

// The signals that end the program and would leave the temporary file.
constexpr int fatalsignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// Blocks them for its lifetime.
struct blocked {
  sigset_t old;
  blocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : fatalsignals) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &old);
  }
  ~blocked() { pthread_sigmask(SIG_SETMASK, &old, nullptr); }
};

// Each signal's old action put back.
void restore(const struct sigaction* old) {
  for (std::size_t k = 0; k < std::size(fatalsignals); ++k) ::sigaction(fatalsignals[k], &old[k], nullptr);
}

}  // namespace

atomicfile::~atomicfile() { abandon(); }

void atomicfile::abandon() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  const blocked b;
  ::unlink(tmp_.c_str());
  pending = 0;
  restore(old_);
}

bool atomicfile::open(const std::string& path, bool force, mode_t newmode, std::string& why) {
  struct stat st;
  mode_ = newmode;
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
    mode_ = st.st_mode & 07777;
  }
  path_ = path;
  tmp_ = path + ".tmpXXXXXX";
  if (tmp_.size() >= sizeof pendingpath) {
    why = "the path is too long";
    return false;
  }
  struct sigaction action {};
  action.sa_handler = removepending;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  const blocked b;
  fd_ = ::mkstemp(tmp_.data());
  if (fd_ < 0) {
    why = std::string("cannot create a temporary file beside it: ") + std::strerror(errno);
    return false;
  }
  std::memcpy(pendingpath, tmp_.c_str(), tmp_.size() + 1);
  pending = 1;
  // A signal ignored (SIGHUP under nohup) stays ignored.
  for (std::size_t k = 0; k < std::size(fatalsignals); ++k)
    if (::sigaction(fatalsignals[k], nullptr, &old_[k]) == 0 && old_[k].sa_handler != SIG_IGN)
      ::sigaction(fatalsignals[k], &action, nullptr);
  return true;
}

bool atomicfile::write(const char* data, std::size_t size, std::string& why) {
  common::fdchannel ch(fd_);
  if (const int e = ch.write(data, size); e != 0) {
    abandon();
    why = std::string("cannot write: ") + std::strerror(e);
    return false;
  }
  return true;
}

bool atomicfile::commit(std::string& why) {
  int e = 0;
  if (::fchmod(fd_, mode_) != 0) e = errno;
  if (e == 0 && ::fsync(fd_) != 0) e = errno;
  if (::close(fd_) != 0 && e == 0) e = errno;
  fd_ = -1;
  if (e == 0 && ::rename(tmp_.c_str(), path_.c_str()) != 0) e = errno;
  const blocked b;
  if (e != 0) ::unlink(tmp_.c_str());
  pending = 0;
  restore(old_);
  if (e != 0) {
    why = std::string("cannot write: ") + std::strerror(e);
    return false;
  }
  return true;
}

bool samefile(const std::string& a, const std::string& b) {
  auto identity = [](const std::string& path, struct stat& st) {
    return (path == "-" ? ::fstat(0, &st) : ::stat(path.c_str(), &st)) == 0;
  };
  struct stat x, y;
  return identity(a, x) && identity(b, y) && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool writeatomically(const std::string& path, const std::string& text, bool force, mode_t newmode, std::string& why) {
  atomicfile f;
  return f.open(path, force, newmode, why) && f.write(text, why) && f.commit(why);
}

}  // namespace thermo
