// The built program, run in a temporary directory: the table on a normal run,
// and one diagnostic, the header line alone and exit status 1 on failures.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct outcome {
  int status;
  std::vector<std::string> lines;
  std::string err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lhc_e2e_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "elphon");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void writedos(const std::string& text) {
    std::ofstream(dir_ / "elphon" / "co_elphon_4.out_ep_PDS", std::ios::binary) << text;
  }
  void copysample() {
    fs::copy_file(LHC_SAMPLE, dir_ / "elphon" / "co_elphon_4.out_ep_PDS",
                  fs::copy_options::overwrite_existing);
  }

  // Runs the program in the directory; `redirect` replaces the capture of
  // standard output when given.
  outcome run(const std::string& redirect = "") {
    const std::string out = (dir_ / "out.txt").string(), err = (dir_ / "err.txt").string();
    const std::string st = (dir_ / "status.txt").string();
    std::string cmd = "cd '";
    cmd += dir_.string();
    cmd += "' && { '" LHC_PROGRAM "' ignored args 2> '";
    cmd += err;
    cmd += "'; echo $? > '";
    cmd += st;
    cmd += "'; } ";
    cmd += redirect.empty() ? "> '" + out + "'" : redirect;
    std::system(cmd.c_str());
    const std::string status = slurp(st);
    outcome o{status.empty() ? -1 : std::stoi(status), {}, slurp(err)};
    std::istringstream s(slurp(out));
    for (std::string l; std::getline(s, l);) o.lines.push_back(l);
    return o;
  }

  // Runs the program with standard output on a pipe of one page, reads
  // `keep` bytes from it and then closes it, as when the reader of a
  // pipeline goes away. keep = 0 closes it before the program starts. The
  // table is longer than the page and the bytes read together, so some write
  // comes after the close and fails with EPIPE, whatever the timing.
  outcome runpipe(std::size_t keep) {
    int fds[2];
    if (::pipe(fds) != 0 || ::fcntl(fds[0], F_SETPIPE_SZ, 4096) != 4096)
      return {-1, {}, "no pipe of one page"};
    if (keep == 0) ::close(fds[0]);
    const std::string err = (dir_ / "err.txt").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (e < 0 || ::chdir(dir_.c_str()) != 0 || ::dup2(fds[1], 1) < 0 || ::dup2(e, 2) < 0)
        ::_exit(127);
      if (keep != 0) ::close(fds[0]);
      ::close(fds[1]);
      ::execl(LHC_PROGRAM, LHC_PROGRAM, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string text;
    char buf[256];
    while (text.size() < keep) {
      const ssize_t n = ::read(fds[0], buf, std::min(sizeof buf, keep - text.size()));
      if (n <= 0) break;
      text.append(buf, static_cast<std::size_t>(n));
    }
    if (keep != 0) ::close(fds[0]);
    int wstatus = 0;
    if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid) return {-1, {}, "fork failed"};
    outcome o{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus), {}, slurp(err)};
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) o.lines.push_back(l);
    return o;
  }

  // The header line alone on standard output, one diagnostic naming the site, exit 1.
  void expectfailure(const outcome& o, const std::string& site) {
    EXPECT_EQ(o.status, 1);
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines[0], "   22.151401519775391               99");
    EXPECT_NE(o.err.find("lattice_heat_capacity: site " + site + ", channel 42"), std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("./elphon/co_elphon_4.out_ep_PDS"), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }

  fs::path dir_;
};

std::string records(int n) {
  std::string s;
  for (int i = 0; i < 11; ++i) s += "# header\n";
  for (int i = 0; i < n; ++i) s += std::to_string((i + 1) * 3e-6) + " 1000\n";
  return s;
}

TEST_F(Program, NormalRunPrintsHeaderAnd99Rows) {
  copysample();
  const auto o = run();
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  ASSERT_EQ(o.lines.size(), 100u);
  EXPECT_EQ(o.lines[0], "   22.151401519775391               99");
  for (int i = 1; i <= 99; ++i) {
    const std::string& row = o.lines[i];
    ASSERT_EQ(row.size(), 79u) << row;
    char t[8];
    std::snprintf(t, sizeof t, "%7.2f", i * 10.0);
    EXPECT_EQ(row.substr(0, 7), t);
    EXPECT_EQ(row.substr(22, 5), " eV/K");
    EXPECT_EQ(row.substr(36, 8), " J/mol/K");
    EXPECT_EQ(row.substr(59, 5), " eV/K");
  }
  // Copper-like: about 23.6 J/mol/K at 300 K, toward Dulong-Petit at 990 K.
  EXPECT_NEAR(std::stod(o.lines[30].substr(27, 9)), 23.5, 0.5);
  EXPECT_NEAR(std::stod(o.lines[99].substr(27, 9)), 24.8, 0.15);
}

TEST_F(Program, SampleTableIsUnchangedToTheLastDigit) {
  copysample();
  const auto o = run();
  std::string got;
  for (const auto& l : o.lines) got += l + "\n";
  EXPECT_EQ(got, slurp(LHC_GOLDEN));
}

TEST_F(Program, CrlfFileGivesTheSameTable) {
  copysample();
  const auto lf = run();
  std::string text = slurp(dir_ / "elphon" / "co_elphon_4.out_ep_PDS"), crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  writedos(crlf);
  const auto o = run();
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.lines, lf.lines);
}

TEST_F(Program, MissingFileStopsAtOpen) {
  fs::remove_all(dir_ / "elphon");
  const auto o = run();
  expectfailure(o, "27");
  EXPECT_NE(o.err.find("No such file or directory"), std::string::npos);
}

TEST_F(Program, ShortFilesStopAtTheMissingRead) {
  writedos(records(338));
  auto o = run();
  expectfailure(o, "34");
  EXPECT_NE(o.err.find("end of file in record 339"), std::string::npos) << o.err;

  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "# header\n";
  writedos(ten);
  o = run();
  expectfailure(o, "30");
  EXPECT_NE(o.err.find("end of file in header line 11"), std::string::npos) << o.err;
}

TEST_F(Program, BadItemIsNamed) {
  std::string s = records(0) + "3e-6 1O00\n" + records(338).substr(records(0).size());
  writedos(s);
  const auto o = run();
  expectfailure(o, "34");
  EXPECT_NE(o.err.find("record 1, item 2 is not a number: \"1O00\""), std::string::npos) << o.err;
  // Bytes that are not printable ASCII (a terminal escape, a no-break space)
  // are shown as \xHH, never written raw to the terminal.
  writedos(records(0) + "3e-6 \x1b[31m\xc2\xa0x\n" + records(338).substr(records(0).size()));
  const auto raw = run();
  expectfailure(raw, "34");
  EXPECT_NE(raw.err.find("item 2 is not a number: \"\\x1B[31m\\xC2\\xA0x\""), std::string::npos) << raw.err;
  EXPECT_EQ(raw.err.find('\x1b'), std::string::npos);
}

TEST_F(Program, FailedWritesToStandardOutput) {
  copysample();
  auto o = run("> /dev/full");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("lattice_heat_capacity: site 25, channel 6"), std::string::npos) << o.err;
  o = run(">&-");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("site 25, channel 6"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("Bad file descriptor"), std::string::npos) << o.err;
  // A reader that has gone away: a failed write, not death by a signal.
  o = runpipe(0);
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("site 25, channel 6 (standard output)"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("Broken pipe"), std::string::npos) << o.err;
  // A reader that leaves after the header and two rows: a failed row, and
  // the rows before it intact.
  o = runpipe(39 + 2 * 80);
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("site 61, channel 6 (standard output): cannot write the row for "),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("Broken pipe"), std::string::npos) << o.err;
  EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  ASSERT_EQ(o.lines.size(), 3u);
  EXPECT_EQ(o.lines[2], "  20.00  4.1656189E-06 eV/K  0.40187 J/mol/K  3.9916547E-06 eV/K  3.9922613E-06");
}

}  // namespace
