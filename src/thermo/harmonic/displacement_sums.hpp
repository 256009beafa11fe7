// lattice_thermo: the exact thermal displacements of a mesh's modes with
// their eigenvectors. For each temperature and atom j, the six sums
//   S_ab(j, T) = sum over modes of w coth(E / 2 k_B T) / E Re(e_ja e*_jb)
// (a, b = x, y, z; e the mode's normalised, mass-weighted eigenvector),
// gathered mode by mode as a mesh is read: no eigenvector is kept, and the
// memory is the sums' and two batches of modes', a batch some milliseconds
// of work. Where two threads may run, a full batch is summed on a second
// thread while the next is gathered; the last one on both.
#pragma once

#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace thermo {

class displacementsums {
 public:
  // The temperatures (K, 0 or more) and the atoms of the cell; `split`: two
  // threads may share the work.
  displacementsums(std::vector<double> temperatures, std::size_t atoms, bool split);
  displacementsums(const displacementsums&) = delete;
  displacementsums& operator=(const displacementsums&) = delete;
  ~displacementsums();

  std::size_t atoms() const { return atoms_; }
  const std::vector<double>& temperatures() const { return t_; }

  // A mode of energy E > 0 (J) and weight w, its eigenvector given as 3
  // atoms (real, imaginary) pairs, atom by atom, x, y, z.
  void add(double energy, double weight, const double* eigenvector);

  // Every sum, the modes still in the batches added first (an exception
  // from the second thread thrown here):
  // sums()[(i * atoms + j) * 6 + k] for temperature i, atom j and
  // k = xx, yy, zz, yz, xz, xy (phonopy's order); 1/J.
  const std::vector<double>& sums();

 private:
  void flush();  // the batch to the second thread, once it is done with the last
  // The gathered batch into summing_, once the second thread is done with
  // the last (its exception thrown here).
  void takebatch();
  void sum(bool split);  // the batch in summing_ into the sums

  std::vector<double> t_;
  std::size_t atoms_;
  bool split_;
  std::size_t batch_;                // modes a batch holds
  std::vector<double> energy_;       // the batch's energies
  std::vector<double> projections_;  // and w Re(e_a e*_b), 6 an atom
  std::vector<double> summing_, summingp_;  // the batch being summed, and its projections
  std::vector<double> sums_;
  std::thread worker_;
  std::exception_ptr error_;  // from worker_, read once it is joined
};

}  // namespace thermo
