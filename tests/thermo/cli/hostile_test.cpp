// lattice_thermo under hostile input and faults: wrong numbers that used to
// pass as right, crashes, runaway memory, lost output and misleading
// messages, each with the behaviour it has now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "testutil.hpp"
#include "thermo/formats/inputs/pds.hpp"
#include "thermo/formats/outputs/atomic_write.hpp"
#include "thermo/formats/outputs/resample.hpp"
#include "thermo/formats/yaml/thermal_properties.hpp"

namespace {

using namespace thermotest;
namespace fs = std::filesystem;

// The fields of one CSV row after the header (and the file column).
std::vector<double> csvrow(const std::string& csv, std::size_t row, bool filecolumn = false) {
  std::size_t p = 0;
  for (std::size_t i = 0; i <= row; ++i) p = csv.find('\n', p) + 1;
  std::stringstream line(csv.substr(p, csv.find('\n', p) - p));
  std::vector<double> v;
  std::string f;
  bool first = true;
  while (std::getline(line, f, ',')) {
    if (!(first && filecolumn)) v.push_back(f == "nan" ? NAN : std::stod(f));
    first = false;
  }
  return v;
}

// A smooth DOS in THz up to 10 THz, its DOS times `scale`, on lines ended by
// `eol`, after `prefix`.
std::string dosfile(double scale = 1.0, const std::string& eol = "\n", const std::string& prefix = "") {
  std::string s = prefix;
  char buf[96];
  for (int i = 1; i <= 200; ++i) {
    const double f = 0.05 * i;
    std::snprintf(buf, sizeof buf, "%.17g %.17g", f, scale * f * f * (10.0 - f) * 0.02);
    s += buf + eol;
  }
  return s;
}

// Bad files: one line on standard error naming the file (and the line where
// one applies) and what is wrong, no rows for the file, the good file in
// full, exit status 1.
TEST(ThermoHostile, BadFilesAreNamedWithTheirLine) {
  const std::string good = writefile("h_good.dat", dosfile());
  std::string pds;
  for (int i = 0; i < 11; ++i) pds += "# header\n";
  struct bad {
    const char* name;
    std::string text;
    std::vector<std::string> options;
    const char* what;
  };
  const std::vector<bad> cases = {
      // Values that overflow only in SI units say so.
      {"overflow", "1 1\n2 1e300\n3 1\n", {"--unit", "cm-1"}, ":2: the DOS value 1e+300 per cm-1 overflows"},
      {"hugeenergy", "1 1\n1e200 1\n", {}, ":2: the energy 1e+200 THz is beyond any phonon's"},
      // Integrals that would overflow: the line where the limit is passed.
      {"integral", dosfile(1e287), {}, ":2: the DOS integrates to more than 1e+280 states"},
      // Energies that only become equal in joules say why.
      {"equal", "1e-320 1\n2e-320 1\n1 1\n2 1\n", {}, ":2: energies 1e-320 and 2e-320 THz are no longer distinct in joules"},
      // Raw bytes from the file are shown escaped.
      {"escape", "1 2\n2 \x1b[2J\xc2\xa0" "7\n", {}, ":2: item 2 is not a number: \"\\x1B[2J\\xC2\\xA07\""},
      // The fixed program's layout names the line too.
      {"pdsorder", pds + "1 2\n0.5 3\n", {"--pds"}, ":13: record 2: energies do not increase strictly"},
      {"pdsitem", pds + "1 2\n\n0.5 x\n", {"--pds"}, ":14: record 2, item 2 is not a number: \"x\""},
      // Unbounded input is refused at its first block.
      {"zeros", std::string(3 << 20, '\0'), {}, ":1: binary data"},
      // A line longer than a MiB whose numbers run past the cut.
      {"longline", "1 " + std::string(3 << 20, '7') + "\n", {}, ":1: a line longer than 1048576 bytes"},
  };
  for (const auto& c : cases) {
    const std::string path = writefile(std::string("h_") + c.name, c.text);
    std::vector<std::string> args = c.options;
    for (const char* a : {"--csv", "--tmax", "100"}) args.push_back(a);
    args.push_back(path);
    if (c.options.empty() || c.options[0] != "--pds") args.push_back(good);
    const auto r = runwith(args);
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err.rfind("lattice_thermo: " + path + ":", 0), 0u) << c.name << ": " << r.err;
    EXPECT_NE(r.err.find(c.what), std::string::npos) << c.name << ": " << r.err;
    EXPECT_EQ(linesabout(r.err, path), 1) << c.name << ": " << r.err;
    EXPECT_EQ(r.out.find(path + ","), std::string::npos) << c.name;
  }
  // /dev/zero is endless: refused at once, not read until memory runs out.
  const auto zero = runwith({"/dev/zero", good});
  EXPECT_EQ(zero.status, 1);
  EXPECT_NE(zero.err.find("/dev/zero:1: binary data"), std::string::npos) << zero.err;
  EXPECT_NE(zero.out.find("# file: " + good), std::string::npos);
}

// Files that used to be misread: a lone CR ends a line, a byte-order mark is
// passed over, and a long line is read as far as its first two numbers.
TEST(ThermoHostile, LineEndsMarksAndLongLinesReadAsTheyShould) {
  const auto lf = runwith({"--csv", writefile("h_lf.dat", dosfile())});
  ASSERT_EQ(lf.status, 0) << lf.err;
  for (auto [name, text] : {std::pair{"cr", dosfile(1.0, "\r")}, std::pair{"crlf", dosfile(1.0, "\r\n")},
                            std::pair{"bom", dosfile(1.0, "\n", "\xEF\xBB\xBF# f dos\n")},
                            std::pair{"long", "0.001 0 " + std::string(3 << 20, ' ') + "x\n" + dosfile()}}) {
    const auto r = runwith({"--csv", writefile(std::string("h_") + name, text)});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    if (std::string(name) != "long") {
      EXPECT_EQ(r.out, lf.out) << name;
    }
  }
}

TEST(ThermoHostile, UsageErrorsForOptionsThatWereIgnoredOrCrashed) {
  const std::string f = writefile("h_usage.dat", dosfile());
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"-", "-"},
           {"--write-pds", "", f},
           {"--atoms", "0", f},
           {"--pds", "--unit", "THz", f},
           {"--tstep", "1e-300", f},
           {"--tmax", "1e308", f},
           {"--tstep", "1e-6", f},
           {"--tmax", "2e9", "--tstep", "1e3", f}}) {
    EXPECT_TRUE(usageerror(runwith(args))) << args[0] << " " << args[1];
  }
}

// Numbers that used to come out wrong with exit status 0.
TEST(ThermoHostile, ResultsThatUsedToBeWrong) {
  // x = E / kT beyond 1e154: the heat capacity is 0, not NaN.
  const std::string f = writefile("h_x.dat", dosfile());
  const auto cold = runwith({"--csv", "--tmin", "1e-250", "--tmax", "1e-250", f});
  ASSERT_EQ(cold.status, 0) << cold.err;
  const auto v = csvrow(cold.out, 0);
  for (double x : {v[1], v[2], v[3], v[4]}) EXPECT_TRUE(std::isfinite(x)) << cold.out;
  EXPECT_EQ(v[3], 0.0);
  // theta_D where the heat capacity is all but gone: NaN, not 1e23 K.
  const auto sample = runwith({"--csv", "--pds", "--tmin", "0.02", "--tmax", "0.02", LHC_SAMPLE});
  EXPECT_TRUE(std::isnan(csvrow(sample.out, 0)[5])) << sample.out;
  // A flat DOS from -1 to 2 THz: two thirds of its states take no part, and
  // theta_D is matched against the third that does.
  const auto flat = runwith({"--csv", "--tmin", "1000", "--tmax", "1000", writefile("h_flat.dat", "-1 1\n0 1\n1 1\n2 1\n")});
  EXPECT_NE(flat.err.find("66.667 % of the states take no part"), std::string::npos) << flat.err;
  // With 5 % of the states imaginary, theta_D tends to theta_inf at high T.
  std::string imag;
  char buf[64];
  for (int i = -40; i < 400; ++i) {
    const double x = 0.025 * i;
    std::snprintf(buf, sizeof buf, "%.6f %.12g\n", x, x > 0 ? x * x * std::exp(-std::pow((x - 4) / 3, 2)) : 0.35);
    imag += buf;
  }
  const std::string ipath = writefile("h_imag.dat", imag);
  const auto table = runwith({"--tmin", "3000", "--tmax", "3000", ipath});
  const double thetainf = std::stod(table.out.substr(table.out.find("theta_inf: ") + 11));
  const auto hot = runwith({"--csv", "--tmin", "3000", "--tmax", "3000", ipath});
  EXPECT_NEAR(csvrow(hot.out, 0)[5] / thetainf, 1.0, 0.002) << hot.out << table.out;
}

// The table's columns never run into each other, and the CSV quotes names
// that need it.
TEST(ThermoHostile, ColumnsStaySeparatedAndNamesQuoted) {
  const std::string big = writefile("h_big.dat", dosfile(64.0));
  const auto r = runwith({"--tmin", "0", "--tmax", "1000000", "--tstep", "100000", big});
  ASSERT_EQ(r.status, 0) << r.err;
  std::stringstream lines(r.out);
  std::string line;
  int rows = 0;
  while (std::getline(lines, line)) {
    if (line[0] == '#') continue;
    std::stringstream fields(line);
    std::string f;
    int n = 0;
    while (fields >> f) ++n;
    EXPECT_EQ(n, 6) << line;
    ++rows;
  }
  EXPECT_EQ(rows, 11);
  const std::string odd = writefile("h_a,b\"c.dat", dosfile());
  const auto csv = runwith({"--csv", "--tmax", "0", odd, odd});
  std::string quoted = "\"";  // built in steps: g++ 12 misreads a + chain here (-Wrestrict)
  quoted += odd.substr(0, odd.find('"'));
  quoted += "\"\"c.dat\",0,";
  EXPECT_EQ(csv.out.find(quoted), csv.out.find('\n') + 1) << csv.out;
}

// A channel that fails after `left` bytes and records its largest write.
struct failing final : common::outchannel {
  std::size_t left;
  std::size_t largest = 0;
  explicit failing(std::size_t n) : left(n) {}
  int write(const char*, std::size_t n) override {
    largest = std::max(largest, n);
    if (n > left) return ENOSPC;
    left -= n;
    return 0;
  }
};

TEST(ThermoHostile, OutputFailuresAreReportedAndRowsComeInBlocks) {
  const std::string f = writefile("h_out.dat", dosfile()), g = writefile("h_out2.dat", dosfile(2.0));
  {  // The CSV header.
    failing out(0);
    common::stringchannel err;
    EXPECT_EQ(runon({"--csv", f}, out, err), 1);
    EXPECT_NE(err.text().find("cannot write the results: No space left on device"), std::string::npos) << err.text();
  }
  {  // --help.
    failing out(0);
    common::stringchannel err;
    EXPECT_EQ(runon({"--help"}, out, err), 1);
    EXPECT_NE(err.text().find("cannot write the usage"), std::string::npos) << err.text();
  }
  {  // The second file's rows: named.
    const auto whole = runwith({"--csv", "--tstep", "1", f, g});
    failing out(whole.out.find("\n" + g + ",") + 100);
    common::stringchannel err;
    EXPECT_EQ(runon({"--csv", "--tstep", "1", f, g}, out, err), 1);
    EXPECT_NE(err.text().find("cannot write the results of " + g), std::string::npos) << err.text();
  }
  {  // 100,000 temperatures: written in blocks, never all at once.
    failing out(SIZE_MAX);
    common::stringchannel err;
    EXPECT_EQ(runon({"--csv", "--tmax", "1000", "--tstep", "0.01", f}, out, err), 0) << err.text();
    EXPECT_LT(out.largest, 1000000u);
  }
}

// Standard input given with a file or closed: each file gets its own rows.
TEST(ThermoHostile, StandardInputIsNeverMistaken) {
  const std::string f = writefile("h_stdin.dat", dosfile());
  const auto alone = runwith({"--csv", "--tmax", "50", f});
  auto shell = [](const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    for (std::size_t k; (k = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, k);
    const int status = ::pclose(p);
    return std::pair{WEXITSTATUS(status), out};
  };
  const std::string thermo = LHC_THERMO;
  // With standard input closed, the first file opened is not taken for it
  // (a large one, which a reader of standard input would share).
  std::string large;
  for (int i = 0; i < 100; ++i) large += dosfile(1.0 + i);
  std::string sorted = "# many\n";
  {
    std::vector<std::pair<double, double>> points;
    std::stringstream in(large);
    for (double e, g; in >> e >> g;) points.push_back({e + 1e-9 * static_cast<double>(points.size()), g});
    std::sort(points.begin(), points.end());
    char buf[64];
    for (auto [e, g] : points) {
      std::snprintf(buf, sizeof buf, "%.17g %.17g\n", e, g);
      sorted += buf;
    }
  }
  const std::string big = writefile("h_stdin_big.dat", sorted);
  const auto bigalone = runwith({"--csv", "--tmax", "50", big});
  const auto [closed, out] = shell("exec 0<&-; '" + thermo + "' --csv --tmax 50 '" + big + "' - 2>/dev/null");
  EXPECT_EQ(closed, 1);  // '-' is empty
  EXPECT_EQ(out.substr(out.find('\n') + 1), amongothers(big, bigalone.out)) << out.substr(0, 500);
  // Standard input among files: read once, its rows its own.
  const auto [status, both] = shell("'" + thermo + "' --csv --tmax 50 - '" + f + "' < '" + f + "'");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(both.substr(both.find('\n') + 1), amongothers("-", alone.out) + amongothers(f, alone.out));
  // Standard output closed: a message and status 1.
  const auto [nostdout, none] = shell("'" + thermo + "' '" + f + "' 2>&1 >&-");
  EXPECT_EQ(nostdout, 1);
  EXPECT_NE(none.find("cannot write the results"), std::string::npos) << none;
}

TEST(ThermoHostile, WritePdsKeepsStatesAndRefusesWhatItMustNotReplace) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("h_pds_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  // A narrow peak between the 339 points: its states are kept, and the
  // change in C at 300 K is reported.
  const std::string peak = writefile("h_peak.dat", "1 0\n10 0\n10.001 1000\n10.002 0\n1000 0\n");
  const std::string out = (dir / "peak").string();
  const auto r = runwith({"--write-pds", out, peak});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: C at 300 K from the 339 resampled points"), std::string::npos) << r.err;
  spectrum sp;
  problem p;
  std::ifstream in(out);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(parsepds(text, sp, p)) << p.what;
  double states = 0.0;
  for (std::size_t i = 1; i < sp.energy.size(); ++i)
    states += 0.5 * (sp.dos[i] + sp.dos[i - 1]) * (sp.energy[i] - sp.energy[i - 1]);
  EXPECT_NEAR(states, 3.0, 1e-9);
  // No states above zero in the 339 points: nothing written.
  spectrum empty;
  empty.energy = {boltzmann, 2 * boltzmann, 3 * boltzmann};
  empty.dos = {0.0, 0.0, 0.0};
  resampled rs;
  EXPECT_FALSE(pdsfile("x", "THz", empty, rs));

  // Not a regular file: refused, even with --force.
  fs::create_symlink(out, dir / "link");
  for (const std::string& target : std::vector<std::string>{"/dev/null", (dir / "link").string(), dir.string()}) {
    const auto refused = runwith({"--force", "--write-pds", target, peak});
    EXPECT_EQ(refused.status, 1) << target;
    EXPECT_NE(refused.err.find("only a regular file is replaced"), std::string::npos) << refused.err;
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  // A replaced file keeps its mode; a new one takes the umask.
  ::chmod(out.c_str(), 0600);
  ASSERT_EQ(runwith({"--force", "--write-pds", out, peak}).status, 0);
  struct stat st;
  ::stat(out.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  const mode_t old = ::umask(027);
  ASSERT_EQ(runwith({"--write-pds", (dir / "new").string(), peak}).status, 0);
  ::umask(old);
  ::stat((dir / "new").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // SIGTERM while the temporary file is being written: it is removed. The
  // writer stops at a known point, with part of its text written, and says
  // so through a pipe; it is signalled only then.
  const std::string slow = (dir / "slow").string();
  int ready[2], hold[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(hold), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    ::close(hold[1]);
    atomicfile f;
    std::string why;
    char c = 1;
    if (f.open(slow, false, 0644, why) && f.write(std::string(std::size_t{1} << 20, 'x'), why) &&
        ::write(ready[1], &c, 1) == 1)
      while (::read(hold[0], &c, 1) < 0 && errno == EINTR) {
      }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(hold[0]);
  char c = 0;
  const bool stopped = ::read(ready[0], &c, 1) == 1;  // EOF where the writer failed
  bool seen = false;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().rfind("slow.tmp", 0) == 0) seen = true;
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(ready[0]);
  ::close(hold[1]);
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
  fs::remove_all(dir);
}

}  // namespace

namespace {

// A child that opens an atomic file in dir, writes `bytes` of it and then
// does `then`; how it ended (the signal, or 0 where it exited).
int atomicchild(const fs::path& dir, std::size_t bytes, void (*before)(), void (*then)()) {
  const pid_t child = ::fork();
  if (child == 0) {
    before();
    thermo::atomicfile f;
    std::string why;
    if (!f.open((dir / "out").string(), false, 0644, why)) ::_exit(3);
    f.write(std::string(bytes, 'x'), why);
    then();
    ::_exit(f.commit(why) ? 0 : 4);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? WTERMSIG(status) : -WEXITSTATUS(status);
}

std::vector<std::string> entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

TEST(ThermoHostile, AHangupOrAFileSizeLimitRemovesTheTemporaryFile) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("h_signals_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  // A file size limit of 64 KiB met by a 1 MiB write: SIGXFSZ, raised by the
  // write itself, so that nothing waits on timing.
  const int xfsz = atomicchild(
      dir, 1 << 20,
      [] {
        std::signal(SIGXFSZ, SIG_DFL);  // whatever the test itself inherited
        const rlimit r{64 << 10, 64 << 10};
        ::setrlimit(RLIMIT_FSIZE, &r);
      },
      [] {});
  EXPECT_EQ(xfsz, SIGXFSZ);
  EXPECT_EQ(entries(dir), std::vector<std::string>{});
  // SIGHUP (the terminal gone) while the file is written.
  // (Its default action set first: a test run under nohup inherits it ignored.)
  EXPECT_EQ(atomicchild(dir, 100, [] { std::signal(SIGHUP, SIG_DFL); }, [] { ::raise(SIGHUP); }), SIGHUP);
  EXPECT_EQ(entries(dir), std::vector<std::string>{});
  // Under nohup SIGHUP is ignored: it stays so, and the file is written.
  EXPECT_EQ(atomicchild(dir, 100, [] { std::signal(SIGHUP, SIG_IGN); }, [] { ::raise(SIGHUP); }), 0);
  EXPECT_EQ(entries(dir), std::vector<std::string>{"out"});
  fs::remove_all(dir);
}

// `text` behind a pipe whose writer is done, as `<(command)` hands a file
// over, under a name with its ending (a symbolic link to the pipe); empty
// where the pipe cannot hold it all.
struct pipefile {
  int fd = -1;
  std::string path;
  pipefile(const std::string& name, const std::string& text) {
    int p[2];
    if (::pipe(p) != 0) return;
    fd = p[0];
    const bool held = ::fcntl(p[1], F_SETPIPE_SZ, static_cast<int>(text.size())) >= static_cast<int>(text.size()) &&
                      ::write(p[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(p[1]);
    if (!held) return;
    path = writefile(name, "");
    fs::remove(path);
    fs::create_symlink("/proc/self/fd/" + std::to_string(fd), path);
  }
  ~pipefile() {
    if (fd >= 0) ::close(fd);
  }
};

// A pipe is read once. Where the fast YAML reader met a layout not its own,
// where the first bytes did not say what a file holds, and where
// --displacements needed a mesh's modes after its sums, the path was opened
// again: a pipe so opened is empty, and the run failed (or the second
// reader took what the first had yet to read).
TEST(ThermoHostile, APipeIsReadOnce) {
  // A mesh with each eigenvector's part on one line, which only libyaml reads.
  const std::string block = "    - # atom 1\n      - [  0.70710678, 0.0 ]\n      - [ -0.70710678, 0.0 ]\n"
                            "      - [  0.00000000, 0.0 ]\n";
  std::string flow = meshyaml({"2", "1"}, {{"1", "2", "3"}, {"2", "3", "4"}}, true);
  for (std::size_t at; (at = flow.find(block)) != std::string::npos;)
    flow.replace(at, block.size(), "    - [ [ 0.70710678, 0.0 ], [ -0.70710678, 0.0 ], [ 0.0, 0.0 ] ]\n");
  const std::string plain = meshyaml({"2", "1"}, {{"1", "2", "3"}, {"2", "3", "4"}});
  std::string comments;
  while (comments.size() < 70000) comments += "# a comment that fills the first block\n";
  const struct {
    std::string text;
    std::vector<std::string> args;
  } cases[] = {{flow, {"--csv", "--tmax", "300"}},
               {comments + plain, {"--csv", "--tmax", "300"}},
               {plain, {"--displacements", "--csv", "--tmax", "300", "--mass", "63.546"}}};
  for (const auto& c : cases) {
    const std::string name = "pipe" + std::to_string(&c - cases) + ".yaml";
    const pipefile pipe("piped_" + name, c.text);
    if (pipe.path.empty()) GTEST_SKIP() << "a pipe cannot hold " << c.text.size() << " bytes here";
    auto args = c.args;
    args.push_back(writefile(name, c.text));
    const auto file = runwith(args);
    ASSERT_EQ(file.status, 0) << file.err;
    args.back() = pipe.path;
    const auto piped = runwith(args);
    EXPECT_EQ(piped.status, 0) << name << ": " << piped.err;
    EXPECT_EQ(piped.out, file.out) << name;
  }
  // A thermal_properties.yaml with a quoted value, which only libyaml reads,
  // as --qha reads it.
  std::string table = runwith({"--yaml", "--tmax", "100", "--tstep", "10", writefile("piped.dat", columns(1.0))}).out;
  table.replace(table.find("  entropy:       0\n"), 19, "  entropy:       \"0\"\n");
  const pipefile pipe("piped_table.yaml", table);
  if (pipe.path.empty()) GTEST_SKIP() << "a pipe cannot hold " << table.size() << " bytes here";
  source memory(table), in;
  std::string why;
  ASSERT_TRUE(in.open(pipe.path, why)) << why;
  thermaltable events, piped;
  problem p;
  std::vector<char> storage;
  ASSERT_TRUE(readthermal(memory, events, p)) << p.what;
  EXPECT_TRUE(readthermalfile(pipe.path, in, piped, p, storage)) << p.line << ": " << p.what;
  EXPECT_EQ(piped.entropy, events.entropy);
  EXPECT_EQ(piped.free_energy, events.free_energy);
}

}  // namespace
