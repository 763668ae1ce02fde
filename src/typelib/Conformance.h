#pragma once
// Checks that an implementation's member table agrees with the description: member names
// (letter case included), kinds, slot order, the fixed dispatch ids, hidden members and the
// argument counts. Each difference is one line of text; no difference means they agree.
#include <vector>

#include "platform/automation/Dispatch.h"
#include "typelib/Registration.h"
#include "typelib/TypeLibrary.h"

namespace lv8int::typelib {

using Differences = std::vector<String>;

// The member table against the class's default interface.
Differences compareMembers(const ClassDesc& desc, const DispatchTable& table);

// One registration: described at all, a member table, a factory exactly when creatable, and
// the members.
Differences checkImplementation(const Implementation& impl);

// Every registration, and classes registered more than once.
Differences checkRegistrations();

// The described members that the table does not answer by name for their kind (a method and
// a property get answer each other, as late-bound callers use them).
Differences unansweredMembers(const ClassDesc& desc, const DispatchTable& table);

}  // namespace lv8int::typelib
