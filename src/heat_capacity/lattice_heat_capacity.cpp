#include "heat_capacity/lattice_heat_capacity.hpp"

#include <cstdint>
#include <cstring>

#include "heat_capacity/debye.hpp"
#include "heat_capacity/failure.hpp"

namespace heat_capacity {
namespace {

int stop(const failure& f, const char* path, common::outchannel& err) {
  char text[512];
  const std::size_t n = diagnostic(f, path, text, sizeof text);
  err.write(text, n);
  return 1;
}

}  // namespace

int lattice_heat_capacity(common::outchannel& out, common::outchannel& err, const char* path) {
  // Run parameters, fixed at build time.
  const double thetad = 343.0;               // Debye temperature, kelvin
  const double refval = 22.15140151977539;   // written on the header line only
  const std::int32_t ntemp = 99;             // temperatures 10, 20, ..., 990 K
  static_assert(22.15140151977539 == static_cast<double>(22.1514015f));

  failure f;
  char line[headermax > rowwidth + 1 ? headermax : rowwidth + 1];
  const char* end = headerline(line, refval, ntemp);
  if (int e = out.write(line, static_cast<std::size_t>(end - line))) {
    setfailure(f, siteheader, chanout, "cannot write the header line: %s", std::strerror(e));
    return stop(f, path, err);
  }

  dostable table;
  if (!readdos(table, f, path)) return stop(f, path, err);

  const std::int32_t n = ntemp;
  for (std::int32_t i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i - 1) * 10 + 10;
    const double s = cvdos(table, t);
    const double cd = debye(t, thetad);
    end = tablerow(line, t, s, cd, thetad);
    if (int e = out.write(line, static_cast<std::size_t>(end - line))) {
      setfailure(f, siterow, chanout, "cannot write the row for %g K: %s", t, std::strerror(e));
      return stop(f, path, err);
    }
  }
  return 0;
}

}  // namespace heat_capacity
