// lattice_thermo --strict: every warning an error, with no rows. Whether
// messages hold a warning, and a run whose rows are held back until it is
// known that none came (--qha, whose warnings may follow its first rows).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/channel.hpp"

namespace thermo {

// Whether a line of messages is a warning ("lattice_thermo: ...: warning: ").
bool haswarning(std::string_view messages);

// The line that says --strict refused a file's rows (as messages show its
// path), or a whole run's (file empty).
std::string strictrefusal(const std::string& file);

// A run's standard output and error under --strict: the rows held back (in
// memory, beyond 16 MB in a temporary file) and standard error watched
// for warnings. Without --strict both pass straight through.
class heldrun {
 public:
  heldrun(bool strict, common::outchannel& out, common::outchannel& err);
  heldrun(const heldrun&) = delete;
  heldrun& operator=(const heldrun&) = delete;
  ~heldrun();

  common::outchannel& out() { return strict_ ? held_ : out_; }
  common::outchannel& err() { return watched_; }
  bool refused() const { return strict_ && watched_.warned; }

  // The run's exit status: where --strict met a warning, 1 with a line
  // that says so and no rows; else the rows held back written (1 where
  // that fails), or dropped where the run failed.
  int finish(int status);

 private:
  struct watch final : common::outchannel {
    explicit watch(common::outchannel& to) : to(to) {}
    int write(const char* text, std::size_t n) override;
    common::outchannel& to;
    bool warned = false;
  };
  struct hold final : common::outchannel {
    int write(const char* text, std::size_t n) override;
    std::string text;
    std::FILE* spill = nullptr;
  };
  bool strict_;
  common::outchannel& out_;
  watch watched_;
  hold held_;
};

}  // namespace thermo
