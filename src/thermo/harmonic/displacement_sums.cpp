#include "thermo/harmonic/displacement_sums.hpp"

#include <algorithm>
#include <exception>
#include <utility>

#include "thermo/base/two_threads.hpp"
#include "thermo/harmonic/constants.hpp"
#include "thermo/harmonic/displacement.hpp"
#include "thermo/harmonic/kernel.hpp"

namespace thermo {

namespace {

// A batch: at most this many modes, about a MiB of projections, and some
// milliseconds of work (its modes times the sums), so that whoever adds the
// modes can stop between batches.
constexpr std::size_t maxbatch = 1024;
constexpr std::size_t batchvalues = std::size_t{1} << 17;
constexpr double batchwork = 1 << 24;

}  // namespace

displacementsums::displacementsums(std::vector<double> temperatures, std::size_t atoms, bool split)
    : t_(std::move(temperatures)), atoms_(atoms), split_(split),
      batch_(static_cast<std::size_t>(std::clamp(
          std::min(static_cast<double>(batchvalues), batchwork / static_cast<double>(std::max<std::size_t>(t_.size(), 1))) /
              static_cast<double>(6 * std::max<std::size_t>(atoms, 1)),
          1.0, static_cast<double>(maxbatch)))),
      sums_(t_.size() * 6 * atoms, 0.0) {
  energy_.reserve(batch_);
  projections_.reserve(batch_ * 6 * atoms);
}

void displacementsums::add(double energy, double weight, const double* e) {
  energy_.push_back(energy);
  for (std::size_t j = 0; j < atoms_; ++j, e += 6) {
    const double xr = e[0], xi = e[1], yr = e[2], yi = e[3], zr = e[4], zi = e[5];
    const double p[6] = {xr * xr + xi * xi, yr * yr + yi * yi, zr * zr + zi * zi,
                         yr * zr + yi * zi, xr * zr + xi * zi, xr * yr + xi * yi};
    for (double v : p) projections_.push_back(weight * v);
  }
  if (energy_.size() == batch_) flush();
}

displacementsums::~displacementsums() {
  if (worker_.joinable()) worker_.join();
}

const std::vector<double>& displacementsums::sums() {
  takebatch();
  sum(split_);
  return sums_;
}

void displacementsums::takebatch() {
  if (worker_.joinable()) worker_.join();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  std::swap(energy_, summing_);
  std::swap(projections_, summingp_);
  energy_.clear();
  projections_.clear();
}

void displacementsums::flush() {
  takebatch();
  if (split_) {
    try {
      worker_ = std::thread([this] {
        try {
          sum(false);
        } catch (...) {
          error_ = std::current_exception();
        }
      });
      return;
    } catch (...) {  // no thread to be had: the batch is summed here
    }
  }
  sum(false);
}

void displacementsums::sum(bool split) {
  const std::size_t m = summing_.size(), width = 6 * atoms_;
  if (m == 0) return;
  const bool worth = static_cast<double>(m) * static_cast<double>(width) * static_cast<double>(t_.size()) > 1e5;
  alternateruns(t_.size(), split && worth, [&](std::size_t i) {
    double c[maxbatch];
    cothoverenergy(summing_.data(), m, t_[i] > 0.0 ? boltzmann * t_[i] : 0.0, c);
    addmodes(sums_.data() + i * width, c, summingp_.data(), m, width);
  });
}

}  // namespace thermo
