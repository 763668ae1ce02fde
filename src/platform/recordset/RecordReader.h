#pragma once
// RecordReader: reads the records of a recordset a middle tier answered with, record by record.
// The library's own Recordset is read directly: each field is looked up by name once and then
// read by position, with the errors its members raise (3021, 3265, 3704). Any other object is
// read by member name exactly as recordsets:: reads it (RecordCount, BOF, EOF, MoveFirst,
// MoveNext, Fields(index).Value per field and record, Close), so it sees the same calls in the
// same order.
#include <vector>

#include "platform/recordset/Recordset.h"

namespace lv8int {

class RecordReader {
 public:
  explicit RecordReader(Ref<Object> recordset);

  int32_t recordCount();
  bool atEOF();
  // Neither at a first nor at a last record: BOF and EOF both True (both asked).
  bool isEmpty();
  void moveFirst();
  void moveNext();
  void close();

  // Names a field to read on each record (a name or a position from 0). Nothing is asked
  // here: a field the recordset does not have fails at its first read, as Fields(index) does.
  size_t field(const Variant& index);
  // The current record's value of a field named by field().
  const Variant& value(size_t field);

 private:
  struct FieldSlot {
    Variant index;
    int32_t position = -1;  // own recordset: the position, once looked up
    Variant read;           // any other: the value last read by name
  };

  Ref<Object> object_;
  Recordset* own_ = nullptr;  // object_ when it is exactly the library's Recordset
  std::vector<FieldSlot> fields_;
};

}  // namespace lv8int
