// The writer and the reader against an independent implementation of the
// same conventions: gfortran's formatted output and list-directed input,
// through the probes in probes/. Without a Fortran compiler the probes are
// not built and these tests are skipped.
#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "heat_capacity/dos.hpp"
#include "heat_capacity/editfmt.hpp"

namespace fs = std::filesystem;

namespace {

#ifdef LHC_FORMAT_PROBE
constexpr const char* formatprobe = LHC_FORMAT_PROBE;
constexpr const char* readprobe = LHC_READ_PROBE;
#else
constexpr const char* formatprobe = nullptr;
constexpr const char* readprobe = nullptr;
#endif

fs::path scratch(const char* name) {
  fs::path d = fs::temp_directory_path() / (std::string("lhc_diff_") + name + "_" + std::to_string(::getpid()));
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

// ---- the writer ------------------------------------------------------------

void addneighbours(std::vector<double>& v, double b) {
  double lo = b, hi = b;
  for (int i = 0; i < 4; ++i) {
    v.push_back(lo);
    v.push_back(hi);
    v.push_back(-lo);
    v.push_back(-hi);
    lo = std::nextafter(lo, 0.0);
    hi = std::nextafter(hi, INFINITY);
  }
}

std::vector<double> writervalues() {
  std::mt19937_64 rng(20261207);
  std::vector<double> v = {0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, 5e-324, -5e-324,
                           2.2250738585072014e-308, 1.7976931348623157e308};
  // Field-overflow and exponent-width boundaries, with their neighbours.
  for (double b : {9999.995, 999.995, 999.999995, 99.999995, 9.99999995e99, 9.99999995e-100,
                   9.99999995e-101, 1e100, 1e-99, 1e-100, 0.005, 0.000005, 0.995, 9.99999995,
                   0.999999995, 1.0, 10.0, 100.0, 1000.0})
    addneighbours(v, b);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  // Exact binary ties at the last printed digit: j / 2^(d+1) with j odd has
  // exactly d+1 decimals, the last a 5.
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t j = (rng() % 2000000) | 1;
    v.push_back(std::ldexp(static_cast<double>(j), -3) * (i % 2 ? 1 : -1));  // F7.2
    v.push_back(std::ldexp(static_cast<double>(j % 128000), -6) * (i % 2 ? 1 : -1));  // F9.5
  }
  // Ties at the eighth significant digit for ES15.7: dyadic values whose
  // exact decimal has nine significant digits, the last a 5.
  for (int found = 0, tries = 0; found < 20000 && tries < 2000000; ++tries) {
    const double c = std::ldexp(static_cast<double>(rng() % (1u << 30)), -static_cast<int>(rng() % 40)) *
                     std::pow(2.0, static_cast<int>(rng() % 200) - 100);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, c, std::chars_format::scientific, 8);
    double back = 0;
    std::from_chars(buf, r.ptr, back);
    if (back == c && std::memchr(buf, 'e', 64) && static_cast<char*>(std::memchr(buf, 'e', 64))[-1] == '5') {
      v.push_back(found % 2 ? c : -c);
      ++found;
    }
  }
  // Random magnitudes from subnormals to 1e308, and random bit patterns.
  while (v.size() < 130000) {
    const double m = std::pow(10.0, unit(rng) * 632 - 324) * (rng() % 2 ? 1 : -1);
    v.push_back(m);
    v.push_back(std::bit_cast<double>(rng()));
    v.push_back(std::round(unit(rng) * 2e5) / 100 - 1000);  // the table's own range
  }
  return v;
}

// Inf and Infinity are both right; compare after mapping one to the other.
std::string normal(std::string s) {
  const auto p = s.find("Infinity");
  if (p != std::string::npos) s.replace(p, 8, "Inf");
  const auto q = s.find_first_not_of(' ');
  return q == std::string::npos ? s : s.substr(q);
}

TEST(Differential, WriterMatchesGfortranFormattedOutput) {
  if (formatprobe == nullptr) GTEST_SKIP() << "no Fortran compiler: probe not built";
  const auto values = writervalues();
  const fs::path dir = scratch("writer");
  {
    std::ofstream in(dir / "in.txt");
    char hex[32];
    for (double x : values) {
      std::snprintf(hex, sizeof hex, "%016llX\n", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(x)));
      in << hex;
    }
  }
  const std::string cmd = std::string("'") + formatprobe + "' < '" + (dir / "in.txt").string() + "' > '" +
                          (dir / "out.txt").string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream out(dir / "out.txt");
  std::string line;
  std::size_t n = 0, fields = 0, mismatches = 0;
  for (double x : values) {
    ASSERT_TRUE(std::getline(out, line));
    char buf[128];
    char* p = buf;
    p = heat_capacity::putf(p, x, 7, 2);
    *p++ = '|';
    p = heat_capacity::putes(p, x, 15, 7);
    *p++ = '|';
    p = heat_capacity::putf(p, x, 9, 5);
    *p++ = '|';
    p = heat_capacity::puta(p, "eV/K", 5);
    *p++ = '|';
    p = heat_capacity::puta(p, "J/mol/K", 8);
    const std::string mine(buf, p);
    ASSERT_EQ(line.size(), mine.size()) << line;
    std::size_t a = 0;
    for (int k = 0; k < 5; ++k) {
      const std::size_t b = mine.find('|', a);
      const std::string m = mine.substr(a, b - a), g = line.substr(a, b - a);
      ++fields;
      if (m != g && normal(m) != normal(g)) {
        if (++mismatches <= 20)
          ADD_FAILURE() << "value " << std::hexfloat << x << ": field " << k + 1 << " is '" << m
                        << "', gfortran '" << g << "'";
      }
      a = b == std::string::npos ? b : b + 1;
    }
    ++n;
  }
  std::cout << "writer: compared " << n << " values, " << fields << " fields with gfortran, "
            << mismatches << " differ\n";
  EXPECT_EQ(mismatches, 0u);
  fs::remove_all(dir);
}

// ---- the reader ------------------------------------------------------------

// Random DOS files from a grammar of every free-form rule. Inputs on which
// gfortran's reader and this program's reader are meant to differ are never
// generated; each such rule is named where it is kept out:
//  - semicolon: gfortran 12 takes ';' as a separator even with a decimal point;
//  - nan-payload: gfortran accepts NaN(...) with a payload;
//  - quoted-after-repeat: gfortran reads 2*'a b' in a header as a repeated
//    quoted string; here a header item is a run of characters up to a blank;
//  - text-after-quote: gfortran fails on 'abc'def in a header; here the item
//    is abc and the rest of the line is skipped;
//  - unterminated-quote: a header quote left open to the end of the file
//    fails the header read here, the next record read in gfortran;
//  - huge-repeat: gfortran fails on repeat counts beyond its integer range;
//  - comma-at-line-start: where a read has passed a line end and then meets
//    a comma at the start of a line, before its first item or right after a
//    comma separator, gfortran merges the comma with the line end into one
//    separator; here a line end is a blank and blank lines count as nothing,
//    so that comma gives a null value as it would anywhere else;
//  - slash-or-repeat-at-end: where the file's very last byte, with no line
//    end after it, is the slash or the '*' of a null repeat that ends the
//    last record, gfortran reports end of file although every item is
//    accounted for; here the record is read. Such files are generated, and
//    gfortran reads them with a line end appended;
//  - point-at-end: an item that is only a point, signed or not, cut short by
//    the end of the file is a bad value in gfortran; here it is an end of
//    file, as for any other item cut short there.
class dosgen {
 public:
  explicit dosgen(std::uint64_t seed) : rng_(seed) {}

  int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
  bool chance(int percent) { return pick(100) < percent; }

  std::string blanks(int most = 3) {
    static const char* ws[] = {" ", "\t", " ", "  "};
    std::string s;
    for (int i = pick(most + 1); i > 0; --i) s += ws[pick(4)];
    return s;
  }
  std::string eol() { return crlf_ ? "\r\n" : "\n"; }
  std::string blanklines() {
    std::string s;
    if (chance(10)) {
      for (int i = pick(3); i >= 0; --i) s += blanks(2) + (chance(20) ? "\r" : "") + eol();
    }
    return s;
  }
  std::string digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + pick(10));
    return s;
  }
  std::string word(const char* w) {
    std::string s;
    for (const char* p = w; *p; ++p) s += chance(50) ? static_cast<char>(*p - 32) : *p;
    return s;
  }
  std::string number() {
    std::string s;
    if (chance(30)) s += chance(50) ? "-" : "+";
    if (chance(3)) return s + word(pick(3) == 0 ? "nan" : pick(2) ? "inf" : "infinity");
    const int len = chance(5) ? 20 + pick(40) : 1 + pick(8);
    switch (pick(4)) {
      case 0: s += digits(len); break;
      case 1: s += digits(len) + "."; break;
      case 2: s += std::string(".") + digits(len); break;
      default: s += digits(1 + pick(3)) + "." + digits(len); break;
    }
    if (chance(50)) {
      static const char* letters[] = {"e", "E", "d", "D", "q", "Q", ""};
      const std::string letter = letters[pick(7)];
      const char* sign = letter.empty() ? (chance(50) ? "-" : "+") : pick(3) == 0 ? "" : chance(50) ? "-" : "+";
      s += letter + sign + (chance(5) ? std::to_string(300 + pick(120)) : digits(1 + pick(2)));
    }
    return s;
  }
  std::string badnumber() {
    static const char* bad[] = {"1.2.3", "1e", "1e+", "+", "-", ".", "1x", "abc", "1..", "e5", "1d-",
                                "infx", "na", "0*3", "'1'", "1+", "*2", "\"2\"", "1.0f0", "--1",
                                "+-1", "1e5e", "0x1p3", "2**3"};
    return bad[pick(24)];
  }
  // One item of a record: a number, a repeat, or a null.
  std::string item(bool& bad) {
    if (bad) {  // the one malformed item of this record
      bad = false;
      return badnumber();
    }
    if (chance(5)) return std::to_string(1 + pick(4)) + "*" + (chance(30) ? "" : number());
    return number();
  }
  std::string separator() {
    switch (pick(6)) {
      case 0: return ",";
      case 1: return blanks(2) + "," + blanks(2);
      case 2: return "\t";
      case 3: return std::string(" ") + eol() + blanklines();  // the second item on the next line
      default: return std::string(" ") + blanks(2);
    }
  }
  // One record; `bad` asks for a malformed item in it, `leadingnull` allows a
  // null first item.
  std::string record(bool bad, bool leadingnull) {
    std::string s = blanks(2);
    bool good = false;
    if (leadingnull && chance(3)) {  // a null first item, then the second
      s += std::string(",") + blanks(1) + item(bad);
      return s + trailer() + eol();
    }
    if (bad && chance(50)) s += item(bad);
    else s += item(good);
    if (chance(2)) return s + blanks(1) + "/" + (chance(50) ? " junk 'x" : "") + eol();
    const std::string sep = separator();
    s += sep;
    // A null second item, but not as a comma at the start of a line.
    if (chance(2) && sep.find('\n') == std::string::npos) {
      s += sep.find(',') == std::string::npos ? ",," : ",";  // the second comma ends the null
    }
    else s += item(bad);
    return s + trailer() + eol();
  }
  // What may follow a record's second item on its line.
  std::string trailer() {
    std::string s;
    switch (pick(6)) {
      case 0: s += blanks(2); break;
      case 1: s += std::string(" ") + number() + " " + number(); break;
      case 2: s += ", junk \"text\" / 'q"; break;
      case 3: s += "\t# comment"; break;
      default: break;
    }
    return s + (chance(3) ? "\r" : "");
  }
  std::string header() {
    std::string s = blanks(2);
    switch (pick(7)) {
      case 0: {
        const char q = chance(50) ? '\'' : '"';
        s += q;
        s += "quoted ";
        if (chance(30)) s += std::string(2, q) + "inner" + std::string(2, q);
        if (chance(20)) s += eol() + "continued" + eol() + blanklines();
        s += q;
        s += " tail";
        break;
      }
      case 1: s += ", after a comma"; break;
      case 2: s += "/ slash"; break;
      case 3: s += "a_rather_long_header_item_beyond_ten rest"; break;
      case 4: s += "ab'c x"; break;
      default: s += std::string("# header line ") + digits(3); break;
    }
    return s + (chance(5) ? "\r" : "") + eol();
  }
  std::string file() {
    crlf_ = chance(20);
    std::string s;
    const int headers = chance(2) ? pick(11) : 11;
    for (int i = 0; i < headers; ++i) s += blanklines() + header();
    const bool openend = headers == 11 && chance(5);  // the 339th record ends the file
    const int records = openend ? 338 : chance(3) ? pick(339) : 339 + pick(3);
    const int badrecord = chance(10) ? pick(339) : -1;
    for (int i = 0; i < records; ++i) {
      const std::string gap = blanklines();  // keep "comma-after-blank-line" out
      s += gap + record(i == badrecord, gap.empty());
    }
    if (openend) s += lastrecord();
    else if (chance(3) && headers == 11 && s.size() > 2) {
      s.resize(s.size() - 1 - pick(4));  // no last line end
      const std::size_t item = s.find_last_of(" \t\r\n,/*") + 1;  // npos + 1 is 0
      const std::string last = s.substr(item);
      if (last == "." || last == "+." || last == "-.") s += eol();  // point-at-end
    }
    return s;
  }
  // A 339th record that ends the file with no line end, in each of the ways
  // a record can end: a number, a null, a slash, a null repeat, a repeat.
  std::string lastrecord() {
    std::string s = blanks(2) + number();
    switch (pick(5)) {
      case 0: return s + separator_noeol() + number();
      case 1: return s + ",,";
      case 2: return s + blanks(1) + "/";
      case 3: return s + " " + std::to_string(1 + pick(3)) + "*";
      default: return s + " " + std::to_string(1 + pick(3)) + "*" + number();
    }
  }
  std::string separator_noeol() { return chance(50) ? "," : " " + blanks(2); }

 private:
  std::mt19937_64 rng_;
  bool crlf_ = false;
};

std::string hexpair(double a, double b) {
  char buf[40];
  auto bits = [](double x) { return static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(x)); };
  std::snprintf(buf, sizeof buf, "%016llX %016llX", bits(a), bits(b));
  return buf;
}

bool samebits(const std::string& mine, const std::string& theirs) {
  if (mine == theirs) return true;
  // Any NaN matches any NaN.
  auto isnanhex = [](const std::string& h) {
    const std::uint64_t u = std::stoull(h, nullptr, 16);
    return std::isnan(std::bit_cast<double>(u));
  };
  return mine.size() == 33 && theirs.size() == 33 &&
         (mine.substr(0, 16) == theirs.substr(0, 16) || (isnanhex(mine.substr(0, 16)) && isnanhex(theirs.substr(0, 16)))) &&
         (mine.substr(17) == theirs.substr(17) || (isnanhex(mine.substr(17)) && isnanhex(theirs.substr(17))));
}

TEST(Differential, ReaderMatchesGfortranListDirectedInput) {
  if (readprobe == nullptr) GTEST_SKIP() << "no Fortran compiler: probe not built";
  constexpr int nfiles = 10000;
  constexpr int batch = 1000;
  const fs::path dir = scratch("reader");
  dosgen gen(77);
  int files = 0, complete = 0, failed = 0, mismatches = 0;
  long values = 0;
  for (int start = 0; start < nfiles; start += batch) {
    std::vector<fs::path> paths;
    {
      std::ofstream list(dir / "list.txt");
      for (int i = 0; i < batch; ++i) {
        std::string name = "f";
        name += std::to_string(i);
        name += ".txt";
        paths.push_back(dir / name);
        const std::string text = gen.file();
        std::ofstream(paths.back(), std::ios::binary) << text;
        if (!text.empty() && (text.back() == '/' || text.back() == '*')) {  // slash-or-repeat-at-end
          std::ofstream(paths.back().string() + ".lf", std::ios::binary) << text << "\n";
          list << paths.back().string() << ".lf\n";
        } else {
          list << paths.back().string() << "\n";
        }
      }
    }
    const std::string cmd = std::string("'") + readprobe + "' < '" + (dir / "list.txt").string() + "'";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char linebuf[256];
    auto next = [&]() {
      if (!std::fgets(linebuf, sizeof linebuf, p)) return std::string("<eof>");
      std::string l(linebuf);
      while (!l.empty() && (l.back() == '\n' || l.back() == ' ')) l.pop_back();
      return l;
    };
    for (const auto& path : paths) {
      ++files;
      heat_capacity::dostable t;
      heat_capacity::failure f;
      const bool ok = heat_capacity::readdos(t, f, path.c_str());
      std::string first = next();
      std::string diff;
      if (first.rfind("header ", 0) == 0 || first.rfind("record ", 0) == 0) {
        ++failed;
        const std::string mine = ok ? "complete" :
            std::string(f.site == heat_capacity::sitehead ? "header " : "record ") + std::to_string(f.index) + " " +
            (f.endoffile ? "1" : "0");
        if (mine != first) diff = std::string("failure: mine '") + mine + "' (" + f.what + "), gfortran '" + first + "'";
        first = next();
      } else {
        ++complete;
        if (!ok) diff = std::string("mine failed: ") + f.what;
        for (int i = 0; i < heat_capacity::npoints; ++i) {
          const std::string theirs = i == 0 ? first : next();
          const std::string mine = hexpair(t.energy[i], t.dos[i]);
          ++values;
          if (diff.empty() && !samebits(mine, theirs))
            diff = std::string("record ") + std::to_string(i + 1) + ": mine " + mine + ", gfortran " + theirs;
        }
        first = next();
      }
      ASSERT_EQ(first, "end") << path;
      if (!diff.empty()) {
        ++mismatches;
        if (mismatches <= 10) {
          const fs::path keep = fs::temp_directory_path() / (std::string("lhc_diff_mismatch_") + std::to_string(mismatches) + ".txt");
          fs::copy_file(path, keep, fs::copy_options::overwrite_existing);
          ADD_FAILURE() << diff << " (input kept as " << keep << ")";
        }
      }
    }
    ::pclose(p);
  }
  std::cout << "reader: compared " << files << " files with gfortran (" << complete << " read whole, "
            << values << " records of values; " << failed << " failing reads), " << mismatches
            << " differ\n";
  EXPECT_EQ(mismatches, 0);
  fs::remove_all(dir);
}

}  // namespace
