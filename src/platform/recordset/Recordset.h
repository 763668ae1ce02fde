#pragma once
// Recordset: an in-memory, client-side recordset with the members through which the library
// reads the answers of middle-tier components, by name: RecordCount, BOF, EOF, MoveFirst,
// MoveNext, Fields (by position from 0 or by name), Field.Value and Close.
//
// Built in memory (addRecord) or from an SQLite query (SqliteDatabase::query). A new recordset
// is open and stands on its first record; an empty one is at BOF and at EOF at once.
// Errors, as the platform's recordsets raise them:
//   3021  a field read, or a move, without a current record (BOF or EOF)
//   3265  a field name or position the recordset does not have
//   3704  any member of a closed recordset
#include <cstdint>
#include <span>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace lv8int {

namespace rserr {
inline constexpr int32_t NoCurrentRecord = 3021;
inline constexpr int32_t ItemNotFound = 3265;
inline constexpr int32_t ObjectClosed = 3704;
}  // namespace rserr

inline constexpr char16_t kRecordsetErrorSource[] = u"LV8INT.Recordset";

class Recordset : public Object {
 public:
  explicit Recordset(std::vector<String> fieldNames);

  // Appends a record (one value per field, 5 otherwise). A recordset that stood at EOF because
  // it was empty stands on the new record.
  void addRecord(std::vector<Variant> values);
  // The same, moving the values out of `values` (which the caller may fill again).
  void moveRecordIn(std::span<Variant> values);
  // A forward-only cursor does not know its size: RecordCount reports -1 while the records
  // stay readable from first to last.
  void setReportsRecordCount(bool reports) { reportsCount_ = reports; }

  // --- members answered by name ---
  int32_t RecordCount() const;
  bool atBOF() const;  // "BOF"
  bool atEOF() const;  // "EOF" (a macro of <cstdio>, hence the C++ name)
  void MoveFirst();
  void MoveNext();
  // Fields: the field collection; with an index, that field at once (as late-bound callers
  // write Fields(0)).
  Variant Fields(const Variant& index = Variant::missing());
  void Close();

  // --- C++ conveniences ---
  bool isOpen() const noexcept { return open_; }
  int32_t fieldCount() const;
  const String& fieldName(int32_t position) const;  // 3265 out of range
  // Position of a field from a number (0-based) or a name (without regard to case); 3265.
  int32_t fieldPosition(const Variant& index) const;
  // The current record's value of a field; 3021 at BOF or EOF. The reference holds until the
  // same field is read again, the recordset moves or it is closed.
  const Variant& value(int32_t position) const;
  // Number of records held, whatever RecordCount reports.
  size_t size() const noexcept { return rowCount_; }
  // Everything a copy elsewhere needs (the remote middle tier sends recordsets as data): the
  // values of a record, the current one (size() is EOF) and whether RecordCount is reported.
  std::vector<Variant> record(size_t index) const;
  size_t position() const noexcept { return current_; }
  void setPosition(size_t position) noexcept { current_ = position < rowCount_ ? position : rowCount_; }
  bool reportsRecordCount() const noexcept { return reportsCount_; }

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
  String typeName() const override { return u"Recordset"; }

 private:
  void requireOpen() const;

  // A stored value: numbers, dates, Booleans, Empty and Null in place (16 bytes instead of a
  // Variant's 72, which is most of the memory of a large answer); texts, objects and arrays
  // as Variants in boxed_.
  struct Cell {
    union {
      int64_t i;
      double d;
    } num{0};
    VarType type = VarType::Empty;
    bool boxed = false;  // num.i is the index in boxed_
  };
  static bool storesInPlace(const Variant& v);
  static Variant unpack(const Cell& cell);

  std::vector<String> names_;
  // The records' values field by field, record after record, in blocks of whole records
  // (no allocation per record, and no block so large that it is mapped for itself).
  std::vector<std::vector<Cell>> blocks_;
  std::vector<Variant> boxed_;
  mutable std::vector<Variant> read_;  // per field: the value last read, when stored in place
  size_t rowsPerBlock_ = 1;
  size_t rowCount_ = 0;
  // The current record; rowCount_ is EOF. Nothing moves backwards, so only an empty
  // recordset is at BOF.
  size_t current_ = 0;
  bool open_ = true;
  bool reportsCount_ = true;
};

}  // namespace lv8int
