// The lattice_thermo executable.
#include <csignal>

#include "thermo/driver.hpp"

int main(int argc, char** argv) {
  // A reader that leaves early shows as a failed write, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  common::fdchannel out(1), err(2);
  return thermo::run(argc, argv, out, err);
}
