// lattice_heat_capacity: the lattice heat capacity of a crystal from its
// tabulated phonon density of states, beside the Debye model and its T^3
// law, at 10 K to 990 K. Takes no arguments; any given are ignored.
#include <csignal>

#include "heat_capacity/lattice_heat_capacity.hpp"

int main() {
  // A closed pipe on standard output is a failed write, reported as such,
  // not a silent death by signal.
  std::signal(SIGPIPE, SIG_IGN);
  common::fdchannel out(1);
  common::fdchannel err(2);
  return heat_capacity::lattice_heat_capacity(out, err);
}
