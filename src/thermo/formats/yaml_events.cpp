#include "thermo/formats/yaml_events.hpp"

#include <cstring>
#include <string>

#include <yaml.h>

namespace thermo {

namespace {

// libyaml's input: the source, block by block.
struct feed {
  source& in;
  int error = 0;

  static int read(void* data, unsigned char* buffer, std::size_t size, std::size_t* got) {
    auto& f = *static_cast<feed*>(data);
    const long k = f.in.read(reinterpret_cast<char*>(buffer), size);
    if (k < 0) {
      f.error = static_cast<int>(-k);
      return 0;
    }
    *got = static_cast<std::size_t>(k);
    return 1;
  }
};

}  // namespace

bool parseyaml(source& in, yamlhandler& h, problem& p) {
  yaml_parser_t parser;
  if (!yaml_parser_initialize(&parser)) {
    p = {0, "cannot start the YAML parser"};
    return false;
  }
  feed f{in};
  yaml_parser_set_input(&parser, feed::read, &f);
  bool ok = true;
  try {
    for (bool done = false; !done;) {
      yaml_event_t event;
      if (!yaml_parser_parse(&parser, &event)) {
        if (f.error != 0) p = {0, std::string("cannot read: ") + std::strerror(f.error)};
        else p = {static_cast<long>(parser.problem_mark.line) + 1,
                  std::string("not YAML: ") + (parser.problem != nullptr ? parser.problem : "a syntax error")};
        ok = false;
        break;
      }
      const long line = static_cast<long>(event.start_mark.line) + 1;
      try {
        switch (event.type) {
          case YAML_SCALAR_EVENT:
            h.scalar(line, std::string_view(reinterpret_cast<const char*>(event.data.scalar.value), event.data.scalar.length));
            break;
          case YAML_ALIAS_EVENT: h.scalar(line, ""); break;
          case YAML_MAPPING_START_EVENT: h.start(line, true); break;
          case YAML_SEQUENCE_START_EVENT: h.start(line, false); break;
          case YAML_MAPPING_END_EVENT:
          case YAML_SEQUENCE_END_EVENT: h.end(); break;
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
  yaml_parser_delete(&parser);
  return ok;
}

}  // namespace thermo
