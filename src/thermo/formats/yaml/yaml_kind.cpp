#include "thermo/formats/yaml/yaml_kind.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "thermo/formats/yaml/yaml_events.hpp"

namespace thermo {

namespace {

yamlkind kindofkey(std::string_view key) {
  if (key == "thermal_properties") return yamlkind::thermal;
  if (key == "phonon" || key == "mesh" || key == "nqpoint") return yamlkind::mesh;
  return yamlkind::other;
}

bool keychar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// The lines of the first bytes, whatever ends them, until `seen` says stop.
template <class Seen>
void eachline(std::string_view head, Seen seen) {
  for (std::size_t i = 0; i < head.size();) {
    const std::size_t e = std::min(head.find_first_of("\r\n", i), head.size());
    if (!seen(head.substr(i, e - i))) return;
    i = e + 1;
  }
}

// The top-level keys as libyaml's events hand them on, until one decides.
class keyreader : public yamlhandler {
 public:
  yamlkind kind = yamlkind::other;
  bool mapping = false;  // the top is a mapping with a key seen
  void scalar(long, std::string_view key, std::string_view) override { take(key); }
  void start(long, bool, std::string_view key) override {
    take(key);
    ++depth_;
  }
  void end() override { --depth_; }

 private:
  int depth_ = 0;
  void take(std::string_view key) {
    if (depth_ != 1) return;
    mapping = true;
    kind = kindofkey(key);
    if (kind != yamlkind::other) throw problem{0, "decided"};
  }
};

keyreader keysof(source& in) {
  keyreader keys;
  problem ignored;  // the end of the first bytes, or bytes that are not YAML: undecided
  parseyaml(in, keys, ignored);
  return keys;
}

}  // namespace

yamlkind yamlkindof(const std::string& path, source& in) {
  const std::string_view head = in.peek();
  if (std::memchr(head.data(), '\0', head.size()) != nullptr) return yamlkind::other;
  // phonopy's own layouts: a line that begins with the key.
  constexpr std::string_view list = "thermal_properties:";
  for (std::size_t at = head.find(list); at != std::string_view::npos; at = head.find(list, at + 1))
    if (at == 0 || head[at - 1] == '\n' || head[at - 1] == '\r') return yamlkind::thermal;
  // Any other layout where the first line that is not blank, a comment or a
  // directive opens a mapping: `key:`, or a flow mapping. Where that line is
  // a deciding key at the top (mesh.yaml's own first line), it decides
  // without libyaml, whose early stop is a thrown problem, dear in a static
  // program the first time (some 20 million instructions).
  bool yaml = false, any = false;
  yamlkind opening = yamlkind::other;
  eachline(head, [&](std::string_view line) {
    const std::size_t a = line.find_first_not_of(" \t");
    if (a == std::string_view::npos || line[a] == '#' || line[a] == '%' || line.substr(a, 3) == "---") return true;
    any = true;
    std::size_t k = a;
    while (k < line.size() && keychar(line[k])) ++k;
    yaml = line[a] == '{' || line[a] == '"' || line[a] == '\'' ||
           (k > a && k < line.size() && line[k] == ':' && (k + 1 == line.size() || line[k + 1] == ' '));
    if (yaml && a == 0 && k > 0) opening = kindofkey(line.substr(0, k));
    return false;
  });
  if (opening != yamlkind::other) return opening;
  const bool longer = head.size() == source::blocksize && in.rereadable();
  if (!(yaml || (!any && longer))) return yamlkind::other;
  source first(head);
  const keyreader keys = keysof(first);
  if (keys.kind != yamlkind::other || !longer || (any && !keys.mapping)) return keys.kind;
  // A mapping whose first bytes do not decide: read on.
  source whole;
  std::string why;
  return whole.open(path, why) ? keysof(whole).kind : yamlkind::other;
}

}  // namespace thermo
