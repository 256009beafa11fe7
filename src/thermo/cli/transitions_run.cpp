#include "thermo/cli/transitions_run.hpp"

#include <cstring>
#include <string>

#include "thermo/base/number_text.hpp"
#include "thermo/base/problem.hpp"
#include "thermo/base/two_threads.hpp"
#include "thermo/cli/pipeline.hpp"
#include "thermo/cli/results_write.hpp"
#include "thermo/formats/outputs/phases_output.hpp"
#include "thermo/qha/transition_table.hpp"

namespace thermo {

int runtransitions(const options& o, const std::vector<qhaphase>& phases, common::outchannel& out,
                   common::outchannel& err) {
  transitionsource src;
  std::vector<const qhamodel*> models;
  std::vector<double> units;
  for (const qhaphase& ph : phases) {
    src.names.push_back(ph.name);
    src.files.push_back(ph.evfile);
    models.push_back(&ph.model);
    units.push_back(ph.formulaunits);
  }
  src.temps = phases[0].temps;
  appendtransitionstableheader(src.header, infoof(phases), o.qha.form, o.qha.pmin, o.qha.pmax);
  src.errors = o.qha.errorbars;
  src.at = [&](double t, transitionsat& r) { transitionsof(models, units, t, o.qha.pmin, o.qha.pmax, r, src.errors); };
  return runtransitions(o, src, out, err);
}

int runtransitions(const options& o, const transitionsource& src, common::outchannel& out, common::outchannel& err) {
  const std::size_t np = src.names.size();
  const auto pairs = pairsof(np);
  std::vector<pairrecord> records(pairs.size());
  int width = 4;
  for (const std::string& name : src.names) width = std::max(width, static_cast<int>(name.size()));
  const bool errors = src.errors;
  std::string text = o.csv ? transitionscsvheader(errors) : src.header, messages;
  if (!o.csv) appendtransitionscolumns(text, width, errors);
  std::string lost;  // the first row without error bars, and why
  bool failed = false;
  auto write = [&] {
    if (!writeresults(out, err, messages, text)) return false;
    text.clear();
    return true;
  };
  const temperatures& temps = src.temps;
  const long count = temps.count();
  std::vector<double> t;
  std::vector<transitionsat> block;
  for (long from = 0; from < count; from += rowblock) {
    const long to = std::min(count, from + rowblock);
    t.resize(static_cast<std::size_t>(to - from));
    for (long i = from; i < to; ++i) t[static_cast<std::size_t>(i - from)] = temps.at(i);
    block.assign(t.size(), transitionsat{});
    // Each temperature on its own, on two threads.
    alternateruns(t.size(), t.size() >= 8, [&](std::size_t i) { src.at(t[i], block[i]); });
    for (std::size_t i = 0; i < t.size(); ++i) {
      const transitionsat& r = block[i];
      const std::string at = ": at " + significant(t[i]) + " K: ";
      for (std::size_t k = 0; k < np; ++k)
        if (!r.failed[k].empty()) {
          messages += "lattice_thermo: " + showpath(src.files[k]) + at + r.failed[k] + "\n";
          failed = true;
        }
      for (std::size_t p = 0; p < pairs.size(); ++p) {
        const auto [a, b] = pairs[p];
        const pairoutcome& c = r.pairs[p];
        if (!r.failed[a].empty() || !r.failed[b].empty()) continue;
        if (c.failed) {
          messages += "lattice_thermo: " + src.names[a] + " and " + src.names[b] + at + c.why + "\n";
          failed = true;
        }
        records[p].note(t[i], c);
      }
      for (const transition& x : r.rows) {
        const transitionrow row{t[i],           src.names[x.low], src.names[x.high], x.pressure, x.volumechange,
                                x.entropychange, x.slope,          x.pressureerr,     x.slopeerr};
        if (o.csv) appendtransitioncsv(text, row, errors);
        else appendtransitionstablerow(text, row, width, errors);
        if (!x.errorswhy.empty() && lost.empty())
          lost = "lattice_thermo: warning: " + row.low + " and " + row.high + at + "their crossing's error bars cannot be taken (" +
                 x.errorswhy + "): nan; the first such row\n";
      }
    }
    if (!write()) return 1;
  }
  // A warning per pair that lacks rows.
  for (std::size_t p = 0; p < pairs.size(); ++p)
    if (records[p].missing > 0)
      messages += "lattice_thermo: warning: " +
                  pairwarning(src.names[pairs[p].first], src.names[pairs[p].second], records[p], count,
                              o.qha.pmin, o.qha.pmax) +
                  "\n";
  messages += lost;
  err.write(messages.data(), messages.size());
  return failed ? 1 : 0;
}

}  // namespace thermo
