#include "thermo/formats/yaml/yaml_events.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include <yaml.h>

#include "common/escape.hpp"

namespace thermo {

namespace {

// Bounds no phonopy file comes near. libyaml holds a scalar whole before
// handing it on, so the bytes read between two events bound its memory.
constexpr std::size_t maxdepth = 64;
constexpr std::size_t maxscalar = 1024;
constexpr long maxgap = 1L << 20;

// libyaml's input: the source, block by block.
struct feed {
  source& in;
  int error = 0;
  long sinceevent = 0;  // bytes read since the last event
  bool toolong = false;

  static int read(void* data, unsigned char* buffer, std::size_t size, std::size_t* got) {
    auto& f = *static_cast<feed*>(data);
    if (f.sinceevent > maxgap) {
      f.toolong = true;
      return 0;
    }
    const long k = f.in.read(reinterpret_cast<char*>(buffer), size);
    if (k < 0) {
      f.error = static_cast<int>(-k);
      return 0;
    }
    f.sinceevent += k;
    *got = static_cast<std::size_t>(k);
    return 1;
  }
};

std::string quoted(std::string_view v) {
  char shown[256];
  common::escape(v.data(), std::min<std::size_t>(v.size(), 60), shown, sizeof shown);
  return std::string("'") + shown + (v.size() > 60 ? "...'" : "'");
}

// The open mappings and sequences: how deep, and in each mapping the keys
// given so far (scalar keys; a collection as a key is passed over), whether
// a key comes next, and the key whose value does.
class structure {
 public:
  structure() { open_.reserve(maxdepth); }  // the keys' views stay valid

  // The start of a collection, with `under` the key it is the value of (""
  // where it is itself a key).
  void start(long line, bool map, std::string_view& under) {
    if (open_.size() >= maxdepth)
      throw problem{line, "nested too deeply: more than " + std::to_string(maxdepth) + " levels, not phonopy's output"};
    node(line, nullptr, under);
    open_.push_back({map, true, {}, {}});
  }
  void end() {
    open_.pop_back();
  }
  // A scalar: false where it is a mapping's key (kept for the value that
  // follows), else true with `under` the key it is the value of.
  bool scalar(long line, std::string_view v, std::string_view& under) {
    if (v.size() > maxscalar)
      throw problem{line, "a value of " + std::to_string(v.size()) + " bytes, more than " + std::to_string(maxscalar) +
                              ": not phonopy's output"};
    return node(line, &v, under);
  }

 private:
  struct level {
    bool map;
    bool key;  // in a mapping: the next node is a key
    std::unordered_map<std::string, long> keys;  // key -> its line
    std::string current;  // the key whose value comes next; "" after a collection as a key
  };
  std::vector<level> open_;

  // A node (a scalar v, or the start of a collection where v is null) in the
  // innermost level: a key, or a value with the key it is under ("" in a
  // sequence and at the top).
  bool node(long line, const std::string_view* v, std::string_view& under) {
    under = {};
    if (open_.empty() || !open_.back().map) return true;
    level& top = open_.back();
    const bool iskey = top.key;
    top.key = !top.key;
    if (!iskey) {
      under = top.current;
      return true;
    }
    top.current.clear();
    if (v != nullptr) {
      const auto [at, fresh] = top.keys.emplace(*v, line);
      if (!fresh)
        throw problem{line, "the key " + quoted(*v) + " is given twice in one mapping (first on line " +
                                std::to_string(at->second) + ")"};
      top.current.assign(*v);
    }
    return false;
  }
};

}  // namespace

bool parseyaml(source& in, yamlhandler& h, problem& p) {
  yaml_parser_t parser;
  if (!yaml_parser_initialize(&parser)) {
    p = {0, "not enough memory"};
    return false;
  }
  struct deleter {
    yaml_parser_t& parser;
    ~deleter() { yaml_parser_delete(&parser); }
  } deleteparser{parser};
  feed f{in};
  yaml_parser_set_input(&parser, feed::read, &f);
  structure open;
  bool ok = true;
  try {
    for (bool done = false; !done;) {
      yaml_event_t event;
      if (!yaml_parser_parse(&parser, &event)) {
        const long at = static_cast<long>(parser.problem_mark.line) + 1;
        if (f.error != 0) p = {0, std::string("cannot read: ") + std::strerror(f.error)};
        else if (f.toolong)
          p = {static_cast<long>(parser.mark.line) + 1,
               "more than " + std::to_string(maxgap) + " bytes read without a complete YAML value: not phonopy's output"};
        else if (parser.error == YAML_MEMORY_ERROR) p = {0, "not enough memory"};
        else p = {at, std::string("not YAML: ") + (parser.problem != nullptr ? parser.problem : "a syntax error")};
        ok = false;
        break;
      }
      f.sinceevent = 0;
      const long line = static_cast<long>(event.start_mark.line) + 1;
      try {
        switch (event.type) {
          case YAML_SCALAR_EVENT: {
            const std::string_view v(reinterpret_cast<const char*>(event.data.scalar.value), event.data.scalar.length);
            std::string_view under;
            if (open.scalar(line, v, under)) h.scalar(line, under, v);
            break;
          }
          case YAML_ALIAS_EVENT:
            throw problem{line, "a YAML alias, " +
                                    quoted("*" + std::string(reinterpret_cast<const char*>(event.data.alias.anchor))) +
                                    ": aliases are not supported (phonopy writes none)"};
          case YAML_MAPPING_START_EVENT:
          case YAML_SEQUENCE_START_EVENT: {
            const bool map = event.type == YAML_MAPPING_START_EVENT;
            std::string_view under;
            open.start(line, map, under);
            h.start(line, map, under);
            break;
          }
          case YAML_MAPPING_END_EVENT:
          case YAML_SEQUENCE_END_EVENT:
            open.end();
            h.end();
            break;
          case YAML_DOCUMENT_END_EVENT: done = true; break;  // the first document only
          case YAML_STREAM_END_EVENT: done = true; break;
          default: break;
        }
      } catch (...) {
        yaml_event_delete(&event);
        throw;
      }
      yaml_event_delete(&event);
    }
  } catch (problem& e) {
    p = std::move(e);
    ok = false;
  }
  return ok;
}

}  // namespace thermo
