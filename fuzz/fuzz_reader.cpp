// Arbitrary bytes as a DOS file, streamed through the reader in chunks whose
// size the first byte picks, so refills fall anywhere in an item.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "heat_capacity/dos.hpp"
#include "common/freeform.hpp"

namespace {

struct chunks {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  std::size_t chunk;
};

long fill(void* ctx, char* buf, std::size_t cap) {
  auto* c = static_cast<chunks*>(ctx);
  std::size_t n = c->size - c->pos;
  if (n > c->chunk) n = c->chunk;
  if (n > cap) n = cap;
  std::memcpy(buf, c->data + c->pos, n);
  c->pos += n;
  return static_cast<long>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  chunks c{data + 1, size - 1, 0, static_cast<std::size_t>(data[0] % 64) + 1};
  char buffer[64];
  common::listreader streamed(fill, &c, buffer, sizeof buffer);
  heat_capacity::dostable a;
  heat_capacity::failure fa;
  const bool oka = heat_capacity::parsedos(streamed, a, fa);

  // The same bytes held whole must give the same result.
  common::listreader whole(reinterpret_cast<const char*>(data + 1), size - 1);
  heat_capacity::dostable b;
  heat_capacity::failure fb;
  const bool okb = heat_capacity::parsedos(whole, b, fb);
  if (oka != okb || fa.site != fb.site || fa.index != fb.index || std::strcmp(fa.what, fb.what) != 0)
    __builtin_trap();
  if (oka && (std::memcmp(&a, &b, sizeof a) != 0)) {
    // Only NaNs may differ bitwise; the reader builds them the same way, so
    // any difference is a fault.
    __builtin_trap();
  }
  if (oka) {
    volatile double s = heat_capacity::cvdos(a, 10.0);
    (void)s;
  }
  return 0;
}
