#pragma once
// The library's check of itself against its description: every described class that is
// implemented answers each described member by name, its member table agrees with the
// description, and a creatable one can be created by ProgID and class identifier.
#include <string>
#include <vector>

#include "typelib/Registration.h"
#include "typelib/TypeLibrary.h"

namespace lv8int::typelib {

struct SelfCheckReport {
  std::vector<std::string> lines;  // UTF-8, in order: summary, one line per class, failures
  int described = 0;
  int implemented = 0;
  int failures = 0;
  int warnings = 0;  // a creatable class whose own start-up failed in this environment
};

// The library's own description against what is registered in this process.
SelfCheckReport selfCheck();
// A description against a list of registrations (a registration belongs to a class when it
// carries that class's description).
SelfCheckReport selfCheck(const TypeLibraryDesc& lib, const std::vector<Implementation>& impls);

}  // namespace lv8int::typelib
