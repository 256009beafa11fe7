// phonopy's YAML files read by both paths, phonopy's own layout line by
// line and libyaml's events: mutants of a thermal_properties.yaml and a
// mesh.yaml must give the same values from both, or be refused by both.
// What is read must never depend on the path; this is the guard of any
// change to the fast readers. YP_SEED and YP_N in the environment run
// other or more mutants.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "testutil.hpp"
#include "thermo/formats/text/input.hpp"
#include "thermo/formats/yaml/mesh.hpp"
#include "thermo/formats/yaml/thermal_properties.hpp"

namespace {

using namespace thermotest;

// phonopy's layout, as phonopy writes it: a unit block, counts, and entries.
const std::string thermal =
    "# Thermal properties / unit cell (natom)\n\nunit:\n  temperature:   K\n  free_energy:   kJ/mol\n"
    "  entropy:       J/K/mol\n  heat_capacity: J/K/mol\n\nnatom:          1\ncutoff_frequency: 0.0\n"
    "num_modes: 3\nnum_integrated_modes: 3\n\nzero_point_energy:  2.5072455\nhigh_T_entropy: 1.0\n\n"
    "thermal_properties:\n- temperature:          0.0000000\n  free_energy:       2.5072455\n"
    "  entropy:           0.0000000\n  heat_capacity:     0.0000000\n  energy:            2.5072455\n\n"
    "- temperature:         10.0000000\n  free_energy:       2.5072451\n  entropy:           0.0004068\n"
    "  heat_capacity:     0.0041011\n  energy:            2.5072492\n\n"
    "- temperature:         20.0000000\n  free_energy:       2.5070411\n  entropy:           0.0735031\n"
    "  heat_capacity:     0.4050256\n  energy:            2.5085110\n";

// Arbitrary changes: a byte put in, taken out or replaced, a piece of YAML
// syntax put in, a line doubled, dropped or swapped with the next; one to
// three of them, by a fixed seed.
std::string mutant(const std::string& base, std::mt19937& rng) {
  static const char* const pieces[] = {
      ":", " :", ": ", "- ", "-", "#", " #", "[", "]", "{", "}", ",", "\"", "'", "&a ", "*a", "!!str ", "? ",
      "|", ">", "\t", "\r", "\r\n", "\n", "  ", "---\n", "...\n", "%YAML 1.1\n", "~", "null", ".inf", "1e999",
      "0x10", "+", ".", "_", "e", "5", "thermal_properties:\n", "unit:\n", "- temperature: 30\n",
      "  entropy: 1\n", "  free_energy: 1\n", "natom: 2\n", "\xc3\xa9", "\xff", "%", "@", "`", "!"};
  std::string s = base;
  auto at = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
  auto lines = [&] {
    std::vector<std::size_t> starts = {0};
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
      if (s[i] == '\n') starts.push_back(i + 1);
    return starts;
  };
  for (std::size_t k = 0, n = 1 + at(2); k < n && !s.empty(); ++k) {
    const std::size_t i = at(s.size() - 1);
    const auto starts = lines();
    const std::size_t l = at(starts.size() - 1);
    const std::size_t b = starts[l], e = l + 1 < starts.size() ? starts[l + 1] : s.size();
    switch (at(7)) {
      case 0: s.insert(i, 1, static_cast<char>(at(94) + 32)); break;
      case 1: s.erase(i, 1); break;
      case 2: s[i] = " :-#[],'\"0.e\n"[at(13)]; break;
      case 3: case 4: s.insert(i, pieces[at(std::size(pieces) - 1)]); break;
      case 5: s.insert(b, s.substr(b, e - b)); break;
      case 6: s.erase(b, e - b); break;
      default:
        if (e < s.size()) {
          const std::size_t f = l + 2 < starts.size() ? starts[l + 2] : s.size();
          const std::string next = s.substr(e, f - e), line = s.substr(b, e - b);
          if (!next.empty() && next.back() == '\n' && line.back() == '\n') s.replace(b, f - b, next + line);
        }
    }
  }
  return s;
}

// A file in memory, rewritten for each mutant: no disk in the way of
// thousands of them.
struct memoryfile {
  int fd = ::memfd_create("yaml_paths", 0);
  std::string path = "/proc/self/fd/" + std::to_string(fd);
  ~memoryfile() { ::close(fd); }
  const std::string& hold(const std::string& text) const {
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
      ADD_FAILURE() << "cannot write a file in memory";
    return path;
  }
};

// What one read gives, as bytes to compare: the values, or "refused".
std::string thermalread(const std::string& text, bool lines) {
  static const memoryfile file;
  thermaltable t;
  problem p;
  bool ok;
  if (lines) {
    const std::string& path = file.hold(text);
    source in;
    std::string why;
    std::vector<char> storage;
    ok = in.open(path, why) && readthermalfile(path, in, t, p, storage);
  } else {
    source in(text);
    ok = readthermal(in, t, p);
  }
  if (!ok) return "refused";
  std::string seen;
  for (const auto* v : {&t.temperature, &t.free_energy, &t.entropy, &t.heat_capacity})
    seen.append(reinterpret_cast<const char*>(v->data()), v->size() * sizeof(double));
  for (double x : {static_cast<double>(t.natom), t.modes, t.integratedmodes, t.zeropoint, t.haszeropoint ? 1.0 : 0.0})
    seen.append(reinterpret_cast<const char*>(&x), sizeof x);
  return seen;
}

struct recorder : meshsink {
  std::string seen;
  void qpoint(const meshqpoint& q) override {
    for (const auto* v : {&q.frequencies, &q.eigenvectors})
      seen.append(reinterpret_cast<const char*>(v->data()), v->size() * sizeof(double));
    seen.append(reinterpret_cast<const char*>(&q.weight), sizeof q.weight);
    seen += q.gamma ? 'g' : '.';
  }
};

// The mesh read by one path: its values, "refused", or (the lines) "other"
// where phonopy's layout does not take it and libyaml reads it instead.
// `detail`: the masses and eigenvectors too (--displacements), or not (the
// harmonic mode, which passes over them).
std::string meshread(const std::string& text, bool lines, bool detail = true) {
  recorder r;
  meshvalues v(r, detail);
  source in(text);
  problem p;
  std::vector<char> storage;
  if (lines) {
    const meshlayout m = readmeshlines(in, v, p, storage);
    if (m == meshlayout::elsewise) return "other";
    if (m == meshlayout::failed) return "refused";
  } else if (!readmeshyaml(in, v, p)) {
    return "refused";
  }
  std::string lattice(reinterpret_cast<const char*>(v.lattice.data()), v.lattice.size() * sizeof(double));
  std::string masses(reinterpret_cast<const char*>(v.masses.data()), v.masses.size() * sizeof(double));
  std::string symbols;
  for (const std::string& s : v.symbols) symbols += s + '\n';
  return r.seen + lattice + masses + symbols + std::to_string(v.atoms) + "," + std::to_string(v.qpoints);
}

// What the fast path took and libyaml refuses, now refused by both: a
// second list, a key twice in an entry or in the unit block, and values
// YAML does not take.
TEST(ThermoYamlPaths, WhatYamlRefusesBothPathsRefuse) {
  const std::string second = thermal + "thermal_properties:\n- temperature: 30\n  free_energy: 2.5\n"
                                       "  entropy: 0.2\n  heat_capacity: 1.0\n";
  std::string twice = thermal, unit = thermal, colon = thermal;
  twice.insert(twice.find("  entropy:           0.0004068"), "  entropy:           0.5\n");
  unit.insert(unit.find("  entropy:       J/K/mol"), "  entropy:       J/K/mol\n");
  colon.replace(colon.find("2.5085110"), 9, "2.5085110:");
  for (const std::string& text : {second, twice, unit, colon}) {
    EXPECT_EQ(thermalread(text, true), "refused") << text;
    EXPECT_EQ(thermalread(text, false), "refused") << text;
  }
  // The harmonic mode's reading, which passes over masses and
  // eigenvectors, took these too.
  std::string mass = meshyaml({"1"}, {{"1.5", "2.5", "3"}}, true), dash = mass, vector = mass, blanks = mass;
  mass.replace(mass.find("mass: 63.546"), 12, "mass: 63.5 :");
  dash.replace(dash.find("[ 0.25, 0.0, 0.0 ]"), 18, "[0, 0, - ]");
  vector.replace(vector.find("[ -0.70710678, 0.0 ]"), 20, "[ -0.70710678, - ]");
  blanks.replace(blanks.find("- q-position"), 12, "-   q-position");
  for (const std::string& text : {mass, dash, vector, blanks})
    for (const bool detail : {true, false}) {
      const std::string lines = meshread(text, true, detail);
      EXPECT_TRUE(lines == "other" || lines == "refused") << detail << "\n" << text;
      EXPECT_EQ(meshread(text, false, detail), "refused") << detail << "\n" << text;
    }
}

TEST(ThermoYamlPaths, ThermalPropertiesMutantsReadAlikeByBothPaths) {
  std::mt19937 rng(std::getenv("YP_SEED") ? std::atoi(std::getenv("YP_SEED")) : 38);
  int refused = 0, read = 0;
  for (int k = 0; k < (std::getenv("YP_N") ? std::atoi(std::getenv("YP_N")) : 3000); ++k) {
    const std::string text = mutant(thermal, rng);
    const std::string lines = thermalread(text, true), events = thermalread(text, false);
    EXPECT_EQ(lines == "refused", events == "refused") << "mutant " << k << ":\n" << text;
    if (lines != "refused" && events != "refused") {
      EXPECT_TRUE(lines == events) << "mutant " << k << ":\n" << text;
    }
    (lines == "refused" ? refused : read) += 1;
  }
  // Both kinds are many: the mutants probe both sides of every check.
  EXPECT_GT(refused, 500);
  EXPECT_GT(read, 500);
}

TEST(ThermoYamlPaths, MeshMutantsReadAlikeByBothPaths) {
  std::string base = meshyaml({"1", "1"}, {{"1.5", "2.5", "3"}, {"4", "5", "6"}}, true);
  base.insert(base.find("natom:"), "lattice:\n- [     3.0,  0.0, 0.0 ] # a\n- [ 0.0, 3.0, 0.0 ] # b\n- [ 0.0, 0.0, 3.0 ] # c\n");
  std::mt19937 rng(std::getenv("YP_SEED") ? std::atoi(std::getenv("YP_SEED")) : 38);
  int taken = 0;
  for (int k = 0; k < (std::getenv("YP_N") ? std::atoi(std::getenv("YP_N")) : 3000); ++k) {
    const std::string text = mutant(base, rng);
    const bool detail = k % 2 == 0;  // --displacements' reading, or the harmonic mode's
    const std::string lines = meshread(text, true, detail);
    if (lines == "other") continue;
    ++taken;
    const std::string events = meshread(text, false, detail);
    EXPECT_EQ(lines == "refused", events == "refused") << "mutant " << k << ":\n" << text;
    if (lines != "refused" && events != "refused") {
      EXPECT_TRUE(lines == events) << "mutant " << k << ":\n" << text;
    }
  }
  EXPECT_GT(taken, 400);
}

}  // namespace
