// phonopy's mesh.yaml under hostile input: every weight and frequency held
// to the limits of a column file where it is read, and YAML that no phonopy
// file holds (deep nesting, keys given twice, aliases, huge values) refused
// with its line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil.hpp"
#include "thermo/formats/yaml/thermal_properties.hpp"

namespace {

using namespace thermotest;

// The mesh of two q-points with the second's weight or third frequency
// replaced: the weight is on line 25, the frequency on line 32.
std::string withweight(const std::string& w) {
  return meshyaml({"1", w}, {{"1.5", "1.5", "3"}, {"4", "5", "6"}});
}
std::string withfrequency(const std::string& f) {
  return meshyaml({"1", "3"}, {{"1.5", "1.5", "3"}, {"4", "5", f}});
}

// The message after "lattice_thermo: PATH:LINE: " of a run on one file that
// fails there; "" where the run does not fail so.
std::string failure(const std::string& name, const std::string& text, long line) {
  const std::string path = writefile(name, text);
  const auto r = runwith({"--tmax", "100", path});
  const std::string head = "lattice_thermo: " + path + ":" + std::to_string(line) + ": ";
  if (r.status != 1 || r.err.rfind(head, 0) != 0 || !r.out.empty()) return "status " + std::to_string(r.status) + ": " + r.err;
  return r.err.substr(head.size(), r.err.find('\n') - head.size());
}

// Weights are whole, positive and finite, and their sum times the bands
// fits in a count of modes.
TEST(ThermoMeshInput, WeightsAreCountsThatFit) {
  const std::string toomany = "the q-points' weights add up to more than 9007199254740992 modes (3 a q-point)";
  for (const char* w : {"3e18", "1e19", "1e308", "3002399751580330"})
    EXPECT_EQ(failure("mi_w.yaml", withweight(w), 25), toomany) << w;
  EXPECT_EQ(failure("mi_w.yaml", withweight("1.5"), 25),
            "a q-point's weight, 1.5, is not a whole number: phonopy writes how many q-points of the mesh it stands for");
  EXPECT_EQ(failure("mi_w.yaml", withweight("0"), 25), "a q-point's weight is not positive");
  EXPECT_EQ(failure("mi_w.yaml", withweight("-2"), 25), "a q-point's weight is not positive");
  EXPECT_EQ(failure("mi_w.yaml", withweight(".nan"), 25), "a q-point's weight is not a finite number: \".nan\"");
  // The largest sum that fits is counted exactly.
  const auto big = runwith({"--yaml", "--tmax", "0", writefile("mi_big.yaml", withweight("3002399751580329"))});
  ASSERT_EQ(big.status, 0) << big.err;
  EXPECT_NE(big.out.find("num_modes: 9007199254740990\n"), std::string::npos) << big.out.substr(0, 400);
}

// A frequency is held to a column file's bounds, with its message.
TEST(ThermoMeshInput, FrequenciesKeepAColumnFilesLimits) {
  for (const char* f : {"1e250", "1e307", "-1e250"}) {
    const auto column = runwith({writefile("mi_col.dat", std::string("1 1\n") + f + " 1\n")});
    const std::string said = column.err.substr(column.err.find(":2: ") + 4);
    EXPECT_EQ(failure("mi_f.yaml", withfrequency(f), 32) + "\n", said) << f;
  }
  EXPECT_EQ(failure("mi_f.yaml", withfrequency("1e-310"), 32), "the frequency 1e-310 THz is 0 in joules (too small)");
  EXPECT_EQ(failure("mi_f.yaml", withfrequency(".inf"), 32), "a frequency is not a finite number: \".inf\"");
  // The smallest frequencies that stay above 0 in joules give finite rows.
  const auto tiny = runwith({"--csv", "--temperatures", "1e-9,1,1e9", writefile("mi_tiny.yaml", withfrequency("1e-300"))});
  ASSERT_EQ(tiny.status, 0) << tiny.err;
  EXPECT_EQ(tiny.out.find("inf"), std::string::npos) << tiny.out;
  EXPECT_EQ(tiny.out.find("nan,"), std::string::npos) << tiny.out;
}

// What no phonopy file holds is refused at its line: nesting beyond 64
// levels (libyaml's time grows with the square of the depth), a key given
// twice (PyYAML keeps the last, this reader read both), an alias, a value
// longer than 1 KiB, and a MiB without a complete value (libyaml holds a
// value whole).
TEST(ThermoMeshInput, YamlNoPhonopyFileHolds) {
  EXPECT_EQ(failure("mi_deep.yaml", std::string(100, '[') + std::string(100, ']') + "\n", 1),
            "nested too deeply: more than 64 levels, not phonopy's output");
  std::string block = "phonon:\n";
  for (int i = 0; i < 70; ++i) block += "- ";
  EXPECT_EQ(failure("mi_deep2.yaml", block + "1\n", 2), "nested too deeply: more than 64 levels, not phonopy's output");
  const std::string mesh = withweight("3");
  EXPECT_EQ(failure("mi_dup.yaml", mesh + "phonon:\n- weight: 1\n  band:\n  - frequency: 2\n", 34),
            "the key 'phonon' is given twice in one mapping (first on line 11)");
  std::string weights = mesh;
  weights.insert(weights.find("  weight: 3"), "  weight: 3\n");
  EXPECT_EQ(failure("mi_dup2.yaml", weights, 26), "the key 'weight' is given twice in one mapping (first on line 25)");
  std::string alias = mesh;
  alias.replace(alias.find("weight: 1"), 9, "weight: &w 1");
  alias.replace(alias.find("weight: 3"), 9, "weight: *w");
  EXPECT_EQ(failure("mi_alias.yaml", alias, 25), "a YAML alias, '*w': aliases are not supported (phonopy writes none)");
  EXPECT_EQ(failure("mi_long.yaml", withweight(std::string(2000, '1')), 25),
            "a value of 2000 bytes, more than 1024: not phonopy's output");
  EXPECT_EQ(failure("mi_huge.yaml", "phonon: \"" + std::string(3 << 20, 'a') + "\"\n", 1),
            "more than 1048576 bytes read without a complete YAML value: not phonopy's output");
}

// A collection used as a key (YAML allows it, phonopy writes none) takes
// its value with it: the keys after it are still read as keys. The natom
// that follows one is read, and a wrong one is told; it used to be taken
// for a value, and the key after it for natom's.
TEST(ThermoMeshInput, ACollectionAsAKeyLeavesTheKeysAfterIt) {
  const std::string mesh = withweight("3");
  const std::string plain = writefile("mi_plain.yaml", mesh);
  auto keyed = [&](const std::string& natom) {
    std::string s = mesh;
    s.replace(s.find("natom:   1"), 10, "? [ a, b ]\n: 5\nnatom:   " + natom);
    return writefile("mi_ckey.yaml", s);
  };
  const auto wrong = runwith({"--tmax", "100", keyed("2")});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.err, "lattice_thermo: " + keyed("2") + ": natom: 2 atoms, but 3 frequencies a q-point\n");
  EXPECT_TRUE(wrong.out.empty()) << wrong.out;
  const auto right = runwith({"--csv", "--tmax", "100", keyed("1")});
  ASSERT_EQ(right.status, 0) << right.err;
  EXPECT_EQ(right.out, runwith({"--csv", "--tmax", "100", plain}).out);
}

// The readers of phonopy's layouts line by line hand a line with any byte
// outside printable ASCII to libyaml, which alone refuses invalid UTF-8 and
// control characters: a file reads the same from its path and from memory.
TEST(ThermoMeshInput, BytesLibyamlRefusesAreRefusedFromAPath) {
  std::string bad = withweight("3");
  bad.replace(bad.find("distance_from_gamma:  0.25"), 26, "distance_from_gamma:  0\xae" "25");
  EXPECT_EQ(failure("mi_utf8.yaml", bad, 1), "not YAML: invalid leading UTF-8 octet");
  std::string good = withweight("3");
  good.insert(good.find("phonon:"), "# \xc3\x85ngstr\xc3\xb6m\n");  // valid UTF-8 in a comment
  const auto read = runwith({"--csv", "--tmax", "100", writefile("mi_utf8ok.yaml", good)});
  EXPECT_EQ(read.out, runwith({"--csv", "--tmax", "100", writefile("mi_ascii.yaml", withweight("3"))}).out) << read.err;
  // phonopy's thermal_properties.yaml alike.
  std::string thermal = runwith({"--yaml", "--temperatures", "0,300", writefile("mi_t.yaml", good)}).out;
  thermal.insert(thermal.find("thermal_properties:"), "# \xae\n");
  const std::string path = writefile("mi_thermal.yaml", thermal);
  source file, memory(thermal);
  std::string why;
  ASSERT_TRUE(file.open(path, why)) << why;
  thermaltable t;
  problem p, q;
  std::vector<char> storage;
  EXPECT_FALSE(readthermalfile(path, file, t, p, storage));
  EXPECT_FALSE(readthermal(memory, t, q));
  EXPECT_EQ(p.what, q.what);
  EXPECT_EQ(p.what, "not YAML: invalid leading UTF-8 octet");
}

}  // namespace
