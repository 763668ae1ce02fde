#pragma once
// Reading a recordset by member name only, so that any object answering RecordCount, BOF, EOF,
// MoveFirst, MoveNext, Fields(...).Value and Close serves, whoever made it.
#include "platform/automation/Dispatch.h"

namespace lv8int::recordsets {

// The recordset a middle-tier call answered with; 424 when the answer is no object.
Ref<Object> fromAnswer(const Variant& answer);

int32_t recordCount(Object& rs);
bool atBOF(Object& rs);
bool atEOF(Object& rs);
// Neither at a first nor at a last record: BOF and EOF both True.
bool isEmpty(Object& rs);
void moveFirst(Object& rs);
void moveNext(Object& rs);
void close(Object& rs);
// The current record's value of a field: Fields, its Item(index), that field's Value.
Variant fieldValue(Object& rs, const Variant& index);

}  // namespace lv8int::recordsets
