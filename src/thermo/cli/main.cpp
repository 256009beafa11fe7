// The lattice_thermo executable.
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "thermo/cli/driver.hpp"

int main(int argc, char** argv) {
  // A closed standard descriptor is taken by /dev/null, so that no file the
  // program opens can be mistaken for it: closed standard input reads as
  // empty, and closed standard output or error (opened for reading only)
  // fails every write, which is reported.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int null = ::open("/dev/null", O_RDONLY);
      if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
      }
    }
  // A reader that leaves early shows as a failed write, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  common::fdchannel out(1), err(2);
  return thermo::run(argc, argv, out, err);
}
