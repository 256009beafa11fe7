#include "heat_capacity/dos.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/escape.hpp"

namespace heat_capacity {
namespace {

const char* statusword(common::readstatus s) {
  return s == common::readstatus::endoffile ? "end of file" : "not a number";
}

long readfd(void* context, char* buffer, std::size_t capacity) {
  const int fd = *static_cast<int*>(context);
  for (;;) {
    const ssize_t n = ::read(fd, buffer, capacity);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -static_cast<long>(errno);
  }
}

}  // namespace

bool parsedos(common::listreader& reader, dostable& table, failure& f) {
  char header[10];
  std::size_t headerlength = 0;
  for (int i = 1; i <= nheader; ++i) {
    const common::readresult r = reader.readtext(header, sizeof header, headerlength);
    if (r.status == common::readstatus::ioerror) {
      setfailure(f, sitehead, chandos, "reading header line %d: %s", i, std::strerror(r.error));
      f.index = i;
      return false;
    }
    if (r.status != common::readstatus::ok) {
      setfailure(f, sitehead, chandos, "%s in header line %d", statusword(r.status), i);
      f.index = i;
      f.endoffile = r.status == common::readstatus::endoffile;
      return false;
    }
  }
  for (int i = 1; i <= npoints; ++i) {
    double pair[2] = {table.energy[i - 1], table.dos[i - 1]};
    const common::readresult r = reader.readreals(pair, 2);
    f.index = i;
    f.endoffile = r.status == common::readstatus::endoffile;
    switch (r.status) {
      case common::readstatus::ok:
        break;
      case common::readstatus::endoffile:
        setfailure(f, siterecord, chandos, "end of file in record %d", i);
        return false;
      case common::readstatus::notnumber: {
        // The item as it stands, with anything unprintable shown as \xHH.
        char shown[4 * sizeof r.text];
        common::escape(r.text, std::strlen(r.text), shown, sizeof shown);
        setfailure(f, siterecord, chandos, "record %d, item %d is not a number: \"%s\"", i, r.item, shown);
        return false;
      }
      case common::readstatus::ioerror:
        setfailure(f, siterecord, chandos, "reading record %d: %s", i, std::strerror(r.error));
        return false;
    }
    table.energy[i - 1] = pair[0];
    table.dos[i - 1] = pair[1];
  }
  return true;
}

bool readdos(dostable& table, failure& f, const char* path) {
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    setfailure(f, siteopen, chandos, "cannot open: %s", std::strerror(errno));
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    setfailure(f, siteopen, chandos, "cannot open: %s", std::strerror(EISDIR));
    return false;
  }
  char buffer[16384];
  common::listreader reader(readfd, &fd, buffer, sizeof buffer);
  const bool ok = parsedos(reader, table, f);
  if (::close(fd) != 0 && ok && errno != EINTR) {
    setfailure(f, siteclose, chandos, "cannot close: %s", std::strerror(errno));
    return false;
  }
  return ok;
}

double cvdos(const dostable& table, double t) {
  const auto& energy = table.energy;
  const auto& dos = table.dos;
  // 157884.09375 is 1/k_B in kelvin per rydberg (k_B = 6.33376e-6 Ry/K as a
  // single-precision value); twice it turns beta * E, E in hartree, into E/(k_B T).
  const double beta = (157884.09375 / t) * 2;
  double s = 0;
  // Intervals [E(j-1), E(j)] for j = 3..339, counted from 1: point 1 takes no part.
  for (int j = 3; j <= npoints; ++j) {
    const double de = energy[j - 1] - energy[j - 2];
    for (int k = j - 1; k <= j; ++k) {
      const double ek = energy[k - 1];
      const double e = std::exp(ek * beta);
      const double em1 = e - 1;
      const double den = em1 * em1;
      if (den == 0) {
        // E -> 0: (beta/T) E^2 e / (e - 1)^2 -> 1/(beta T), so each mode carries k_B.
        s = ((0.5 * dos[k - 1]) / (beta * t)) * de + s;
        continue;
      }
      const double g = den == HUGE_VAL ? 0.0 : (((beta / t) * ek) * e) / den;
      s = (((g * 0.5) * dos[k - 1]) * ek) * de + s;
    }
  }
  return s;
}

}  // namespace heat_capacity
