#include "thermo/cli/strict.hpp"

#include <cerrno>
#include <vector>

#include "thermo/cli/results_write.hpp"

namespace thermo {

namespace {

// What the held rows keep in memory before they go to a temporary file.
constexpr std::size_t inmemory = std::size_t{1} << 24;

}  // namespace

bool haswarning(std::string_view messages) {
  for (std::size_t p = 0; p < messages.size();) {
    const std::size_t e = std::min(messages.find('\n', p), messages.size());
    const std::string_view line = messages.substr(p, e - p);
    if (line.rfind("lattice_thermo: ", 0) == 0 && line.find(": warning: ") != std::string_view::npos) return true;
    p = e + 1;
  }
  return false;
}

std::string strictrefusal(const std::string& file) {
  if (file.empty()) return "lattice_thermo: --strict: no rows, as it makes every warning above an error\n";
  return "lattice_thermo: " + file + ": no rows: --strict makes its warning an error\n";
}

int heldrun::watch::write(const char* text, std::size_t n) {
  warned = warned || haswarning(std::string_view(text, n));
  return to.write(text, n);
}

int heldrun::hold::write(const char* data, std::size_t n) {
  if (spill == nullptr && text.size() + n > inmemory) {
    spill = std::tmpfile();
    if (spill != nullptr && std::fwrite(text.data(), 1, text.size(), spill) != text.size()) return errno ? errno : EIO;
    if (spill != nullptr) std::string().swap(text);
  }
  if (spill == nullptr) {
    text.append(data, n);
    return 0;
  }
  return std::fwrite(data, 1, n, spill) == n ? 0 : errno ? errno : EIO;
}

heldrun::heldrun(bool strict, common::outchannel& out, common::outchannel& err)
    : strict_(strict), out_(out), watched_(err) {}

heldrun::~heldrun() {
  if (held_.spill != nullptr) std::fclose(held_.spill);
}

int heldrun::finish(int status) {
  if (!strict_) return status;
  if (status == 0 && watched_.warned) {
    const std::string s = strictrefusal("");
    watched_.to.write(s.data(), s.size());
    return 1;
  }
  if (status != 0) return status;
  int e = out_.write(held_.text.data(), held_.text.size());
  if (held_.spill != nullptr) {
    std::vector<char> block(1 << 20);
    std::rewind(held_.spill);
    for (std::size_t k; e == 0 && (k = std::fread(block.data(), 1, block.size(), held_.spill)) > 0;)
      e = out_.write(block.data(), k);
    if (e == 0 && std::ferror(held_.spill)) e = errno ? errno : EIO;
  }
  if (e == 0) return 0;
  const std::string s = cannotwrite(e);
  watched_.to.write(s.data(), s.size());
  return 1;
}

}  // namespace thermo
