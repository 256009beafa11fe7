#include "thermo/formats/inputs/pds.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "common/freeform.hpp"
#include "thermo/formats/text/lines.hpp"

namespace thermo {

namespace {

// Hands the free-form reader one line at a time, so that the line it is
// reading is known: the one handed out last.
struct linefeed {
  linereader& lines;
  std::string_view rest;  // of the line being handed out, with its line end
  bool binary = false;
  int error = 0;

  static long refill(void* context, char* buffer, std::size_t capacity) {
    auto& f = *static_cast<linefeed*>(context);
    if (f.rest.empty()) {
      std::string_view line;
      switch (f.lines.next(line)) {
        case linereader::status::line: break;
        case linereader::status::end: return 0;
        case linereader::status::binary: f.binary = true; return 0;
        case linereader::status::error: f.error = f.lines.error(); return -f.error;
      }
      f.rest = std::string_view(line.data(), line.size() + 1);  // the line end after it
    }
    const std::size_t n = std::min(capacity, f.rest.size());
    std::memcpy(buffer, f.rest.data(), n);
    if (f.rest.size() == n) buffer[n - 1] = '\n';  // a lone CR ends no record for this reader
    f.rest.remove_prefix(n);
    return static_cast<long>(n);
  }
};

}  // namespace

bool readpds(source& in, spectrum& s, problem& p, std::vector<char>& storage) {
  spectrumbuilder build(s, unit::ha);
  linereader lines(in, storage);
  linefeed feed{lines, {}};
  char buffer[4096];
  common::listreader reader(linefeed::refill, &feed, buffer, sizeof buffer);
  auto failed = [&](const common::readresult& r, const std::string& what) {
    if (feed.binary) p = {lines.number(), "binary data, not a DOS text file"};
    else if (r.status == common::readstatus::ioerror) p = {lines.number(), std::string("cannot read: ") + std::strerror(r.error)};
    else p = {lines.number(), what};
    return false;
  };
  for (int i = 1; i <= 11; ++i) {
    char text[10];
    std::size_t n = 0;
    if (const common::readresult r = reader.readtext(text, sizeof text, n); r.status != common::readstatus::ok)
      return failed(r, "the file ends in its 11 header lines");
  }
  for (long k = 1;; ++k) {
    const double unset = std::numeric_limits<double>::quiet_NaN();
    double v[2] = {unset, unset};
    const common::readresult r = reader.readreals(v, 2);
    if (r.status == common::readstatus::endoffile && !feed.binary) break;
    if (r.status == common::readstatus::notnumber) return failed(r, "record " + std::to_string(k) + ", " + notanumber(r));
    if (r.status != common::readstatus::ok) return failed(r, "");
    if (std::isnan(v[0]) || std::isnan(v[1])) return failed(r, "record " + std::to_string(k) + ": a missing or NaN value");
    if (!build.add(v[0], v[1], lines.number(), p)) {
      p.what = "record " + std::to_string(k) + ": " + p.what;
      return false;
    }
  }
  return build.finish(p);
}

bool parsepds(std::string_view text, spectrum& s, problem& p) {
  source in(text);
  std::vector<char> storage;
  return readpds(in, s, p, storage);
}

}  // namespace thermo
