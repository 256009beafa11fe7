// lattice_thermo --displacements on phonopy's mesh.yaml. With eigenvectors
// on the whole mesh (every weight 1, as phonopy writes it with
// --nomeshsym), the exact sums per atom and direction, gathered q-point by
// q-point as the file streams. A mesh reduced by symmetry cannot give them:
// a q-point's weight stands for the q-points its star maps it to, which
// carry its eigenvectors rotated and its atoms permuted, and mesh.yaml holds
// neither the rotations nor the permutations. The modes alone, with --mass,
// give the mean over the cell's atoms of a crystal of one element, exactly
// on any mesh.
#include <algorithm>
#include <cmath>
#include <optional>

#include "thermo/base/number_text.hpp"
#include "thermo/formats/inputs/displacement_load.hpp"
#include "thermo/formats/yaml/mesh.hpp"
#include "thermo/harmonic/displacement.hpp"
#include "thermo/harmonic/displacement_sums.hpp"

namespace thermo {

namespace {

// While every q-point has eigenvectors and weight 1, the exact sums of the
// modes above the cutoff (the rigid translations at q = 0 left out); the
// weights of the modes that take no part; and where asked (`keep`), every
// mode as the harmonic mode takes them, which the mean over the atoms needs.
// Without `keep` memory does not grow with the modes.
struct displacementsink : meshsink {
  modecollector modes, current;  // every mode kept; the q-point at hand
  std::optional<displacementsums> sums;
  bool whole = true, keep;
  double cutoff;  // THz
  bool pretendreal, split;
  const std::vector<double>& t;
  const std::function<void()>& poll;
  long added = 0;
  double all = 0.0, below = 0.0, rigid = 0.0;  // the weights of every mode, of the others at or below the cutoff, of the rigid translations
  double work = 0.0;  // since `poll` was last called

  displacementsink(bool keep, double cutoff, bool pretendreal, bool split, const std::vector<double>& t,
                   const std::function<void()>& poll)
      : keep(keep), cutoff(cutoff), pretendreal(pretendreal), split(split), t(t), poll(poll) {}

  void qpoint(const meshqpoint& q) override {
    const std::size_t bands = q.frequencies.size();
    current.modes.clear();
    current.qpoint(q);
    for (const auto& [f, w, rest] : current.modes) {
      all += w;
      // The rigid translations at q = 0, whatever the sign their numerics
      // give them, are no imaginary modes.
      if (rest) rigid += w;
      else if ((pretendreal ? std::fabs(f) : f) <= cutoff) below += w;
    }
    if (keep) modes.modes.insert(modes.modes.end(), current.modes.begin(), current.modes.end());
    // Some milliseconds between calls of `poll`: the sums' work, or the
    // reading of the q-points alone.
    work += static_cast<double>(q.eigenvectors.size() + bands) * static_cast<double>(std::max<std::size_t>(t.size(), 64));
    if (poll && work > 1 << 24) {
      work = 0.0;
      poll();
    }
    whole = whole && q.weight == 1.0;
    if (q.eigenvectors.empty() || !whole) return sums.reset();
    const std::size_t width = q.eigenvectors.size() / bands, atoms = width / 6;
    if (!sums) {
      if (!(6.0 * static_cast<double>(t.size()) * static_cast<double>(atoms) <= maxdisplacementrows))
        throw problem{0, std::to_string(t.size()) + " temperatures for " + std::to_string(atoms) +
                             " atoms: more than " + significant(maxdisplacementrows / 6.0) +
                             " rows of exact sums in one run, which are held while the mesh is read"};
      sums.emplace(t, atoms, split);
    }
    for (std::size_t b = 0; b < bands; ++b) {
      auto [f, w, rest] = current.modes[b];
      if (pretendreal) f = std::fabs(f);
      if (f > cutoff && !rest) {
        sums->add(f * joules(unit::thz), w, q.eigenvectors.data() + b * width);
        ++added;
      }
    }
  }
};

// The masses of the exact route: the file's, where its points give them
// all (a warning where those given differ), else those given.
bool exactmasses(const meshvalues& v, const displacementoptions& o, std::size_t atoms, displacementtable& out,
                 problem& p, const std::string& w) {
  bool own = v.masses.size() == atoms;
  for (double m : v.masses) own = own && m > 0.0;
  if (!own) {
    out.massesfrom = o.masses.empty() ? "--mass" : "--masses";
    return massesfor(o, atoms, "atoms", out.masses, p);
  }
  out.masses = v.masses;
  out.massesfrom = "the file's points";
  std::vector<double> given;
  problem ignored;
  if ((o.masses.empty() && !(o.mass > 0.0)) || !massesfor(o, atoms, "atoms", given, ignored)) {
    if (!o.masses.empty()) out.notes += w + ignored.what + "; the file's points give them\n";
    return true;
  }
  for (std::size_t j = 0; j < atoms; ++j)
    if (std::fabs(given[j] - v.masses[j]) > 1e-6 * v.masses[j]) {
      out.notes += w + "the masses given differ from those of the file's points (atom " + std::to_string(j + 1) + ": " +
                   shortest(given[j]) + " against " + shortest(v.masses[j]) +
                   " amu); the file's are used, as its eigenvectors were made with them\n";
      break;
    }
  return true;
}

// The header's line on the modes that take no part, and the warning where
// imaginary ones pass 0.1 %.
void leftout(const displacementsink& sink, displacementtable& out, const std::string& w) {
  const double all = sink.all, below = sink.below, rigid = sink.rigid, cutoff = sink.cutoff;
  const std::string at = cutoff > 0.0 ? "the cutoff, " + significant(cutoff) + " THz" : std::string("zero (imaginary modes)");
  out.leftout = "modes that take no part: " + fixed(100.0 * below / all, 0, 4) + " % at or below " + at + "; " +
                fixed(100.0 * rigid / all, 0, 4) + " %, the 3 rigid translations at q = 0";
  if (below > 0.001 * all)
    out.notes += w + fixed(100.0 * below / all, 0, 3) + " % of the modes take no part: they lie at or below " + at + "\n";
}

}  // namespace

bool meshdisplacements(source& in, const std::string& path, const readoptions& ro, const displacementoptions& o,
                       const std::vector<double>& t, bool split, const std::function<void()>& poll,
                       filescratch& scratch, displacementtable& out, problem& p, const std::string& w) {
  if (ro.unitgiven && ro.u != unit::thz)
    out.notes += w + "a mesh.yaml holds frequencies in THz; --unit " + unitname(ro.u) + " does not apply to it\n";
  // The modes are kept where the mean over the atoms may be asked for (a
  // mass given) and the file cannot be read again (standard input, a pipe);
  // else they are read again where that route turns out to need them.
  const bool again = in.rereadable();
  displacementsink sink(!again && (o.mass > 0.0 || o.masses.size() == 1), ro.cutoff, ro.pretendreal, split, t, poll);
  meshvalues values(sink, true);
  const auto restart = [&] {
    sink.modes = modecollector{};
    sink.sums.reset();
    sink.whole = true;
    sink.added = 0;
    sink.all = sink.below = sink.rigid = 0.0;
  };
  if (!readmeshvalues(path, in, values, restart, p, scratch.lines)) return false;
  const std::size_t atoms = static_cast<std::size_t>(values.atoms);
  out.unit = "THz (phonopy mesh.yaml: " + std::to_string(values.qpoints) + " q-points)";
  out.elements = values.symbols;
  out.elements.resize(atoms);
  leftout(sink, out, w);
  if (values.eigenvectors && sink.whole) {
    if (sink.added == 0) {
      p = {0, "no mode above the cutoff frequency"};
      return false;
    }
    if (!exactmasses(values, o, atoms, out, p, w)) return false;
    out.atoms = atoms;
    out.matrices = true;
    out.temperatures = t;
    out.values = sink.sums->sums();
    for (std::size_t i = 0; i < t.size(); ++i)
      for (std::size_t j = 0; j < atoms; ++j)
        for (int k = 0; k < 6; ++k)
          out.values[(i * atoms + j) * 6 + static_cast<std::size_t>(k)] *=
              displacementscale(out.masses[j]) / static_cast<double>(values.weights);
    out.route = "the exact sums over the modes of " + std::to_string(values.qpoints) +
                " q-points with their eigenvectors, per atom and direction";
    return true;
  }
  if (!(o.mass > 0.0) && o.masses.size() != 1) {
    p = {0, values.eigenvectors
                ? "the q-points carry weights up to " + shortest(values.largestweight) +
                      ": the mesh was reduced by symmetry, and per-atom displacements need the whole mesh; run phonopy "
                      "with --nomeshsym (MESH_SYMMETRY = .FALSE.), or give --mass M for a crystal of one element"
                : "eigenvectors needed for per-atom displacements; run phonopy with --eigenvectors (and "
                  "--nomeshsym), or give --mass M for a crystal of one element"};
    return false;
  }
  // One element: the file's mass where its points give one, else the one given.
  displacementoptions one = o;
  one.masses.clear();
  one.mass = o.masses.empty() ? o.mass : o.masses[0];
  for (double m : values.masses)
    if (m > 0.0 && std::fabs(m - values.masses[0]) > 1e-6 * m) {
      p = {0, "--mass is for a crystal of one element, but the file's points have masses " + shortest(values.masses[0]) +
                  " and " + shortest(m) + " amu: per-atom displacements need eigenvectors on the whole mesh"};
      return false;
    }
  const bool own = !values.masses.empty() && values.masses[0] > 0.0 && values.masses.size() == atoms;
  if (own) {
    if (std::fabs(one.mass - values.masses[0]) > 1e-6 * values.masses[0])
      out.notes += w + "--mass " + shortest(one.mass) + " differs from the mass of the file's points, " +
                   shortest(values.masses[0]) + " amu; the file's is used, as its modes were made with it\n";
    one.mass = values.masses[0];
  }
  if (!sink.keep) {
    source second;
    std::string why;
    restart();
    sink.keep = true;
    values.reset();
    if (!second.open(path, why)) {
      p = {0, why};
      return false;
    }
    if (!readmeshvalues(path, second, values, restart, p, scratch.lines)) return false;
  }
  loaded file;
  file.mesh = true;
  file.cutoffthz = ro.cutoff;
  if (!meshmodes(sink.modes, values, ro.cutoff, ro.pretendreal, file.d, file.meshcounts, p)) return false;
  const std::string left = out.leftout;
  if (!totaldisplacements(file, one, static_cast<double>(atoms), t, poll, out, p, w)) return false;
  out.leftout = left;
  if (own) out.massesfrom = "the file's points";
  for (std::size_t j = 0; j < atoms && j < values.symbols.size(); ++j) out.elements[j] = values.symbols[j];
  return true;
}

}  // namespace thermo
