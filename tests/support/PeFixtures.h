#pragma once
// The resource modules built from tests/fixtures/pe/fixture.rc (PE32 and PE32+), the pictures
// they hold.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int::test {

// fixture32.dll or fixture64.dll in the build tree.
std::string peFixture(int bits);
// A picture input under tests/fixtures/pe/.
std::string peImage(const char* name);

// The file offset of the resource directory of a PE image, or 0 when there is none.
size_t resourceDirectoryOffset(const std::string& image);

}  // namespace lv8int::test
