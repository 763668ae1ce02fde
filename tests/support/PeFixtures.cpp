#include "support/PeFixtures.h"

namespace lv8int::test {

std::string peFixture(int bits) { return std::string(LV8_BINARY_DIR) + "/fixtures/pe/fixture" + std::to_string(bits) + ".dll"; }

std::string peImage(const char* name) { return std::string(LV8_TEST_FIXTURES) + "/pe/" + name; }

namespace {
uint32_t u32(const std::string& b, size_t at) {
  if (at + 4 > b.size()) return 0;
  return uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8) | (uint8_t(b[at + 2]) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}
uint16_t u16(const std::string& b, size_t at) { return at + 2 > b.size() ? 0 : uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8); }
}  // namespace

size_t resourceDirectoryOffset(const std::string& image) {
  uint32_t pe = u32(image, 0x3C);
  uint16_t sections = u16(image, pe + 6), optional = u16(image, pe + 20);
  size_t opt = pe + 24;
  size_t dirs = u16(image, opt) == 0x20B ? 112 : 96;
  uint32_t rva = u32(image, opt + dirs + 16);
  for (uint16_t i = 0; i < sections; ++i) {
    size_t s = opt + optional + i * 40;
    uint32_t va = u32(image, s + 12), raw = u32(image, s + 16), off = u32(image, s + 20);
    if (rva >= va && rva < va + raw) return off + (rva - va);
  }
  return 0;
}

}  // namespace lv8int::test
