// lattice_thermo: writing a file whole or not at all.
#pragma once

#include <csignal>
#include <string>
#include <sys/types.h>

namespace thermo {

// A file written through a temporary file in the same directory and a
// rename, so that a failure never leaves a half-written file. Refuses an
// existing path unless force, and a path that is there but not a regular
// file (a device, a directory, a symbolic link) even then. A replaced file
// keeps its permission bits; a new one gets `newmode` (0666 less the
// umask, which the caller reads). A SIGINT, SIGTERM, SIGHUP or SIGXFSZ (a
// file size limit reached) while the temporary file exists removes it
// before the signal takes its usual effect; one that is ignored stays so.
// One such file at a time.
class atomicfile {
 public:
  atomicfile() = default;
  atomicfile(const atomicfile&) = delete;
  atomicfile& operator=(const atomicfile&) = delete;
  ~atomicfile();  // removes the temporary file where commit was not reached

  // Creates the temporary file; false with the reason in why.
  bool open(const std::string& path, bool force, mode_t newmode, std::string& why);
  // Appends text; false with the reason (the temporary file removed).
  bool write(const char* data, std::size_t size, std::string& why);
  bool write(const std::string& text, std::string& why) { return write(text.data(), text.size(), why); }
  // Puts the file in place; false with the reason (the temporary removed).
  bool commit(std::string& why);

 private:
  void abandon();
  std::string path_, tmp_;
  int fd_ = -1;
  mode_t mode_ = 0;
  struct sigaction old_[4] {};  // each signal's action, put back when the file is done with
};

// Whether two paths name one file: the same device and inode ("-" is
// standard input); false where either is not there.
bool samefile(const std::string& a, const std::string& b);

// A text written whole by an atomicfile.
bool writeatomically(const std::string& path, const std::string& text, bool force, mode_t newmode, std::string& why);

}  // namespace thermo
