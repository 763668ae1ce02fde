#pragma once
// The description as IDL text: the library block with its identifier and version, the
// enumerations, each class's default interface with its members in slot order, the event
// interfaces, and the coclasses with their identifiers and creation attributes.
#include <string>

#include "typelib/TypeLibrary.h"

namespace lv8int::typelib {

// IDL text in UTF-8.
std::string toIdl(const TypeLibraryDesc& lib);

// The IDL spelling of an automation type name, by value or by reference.
std::string idlType(const TypeLibraryDesc& lib, StringView type, bool byRef);

}  // namespace lv8int::typelib
