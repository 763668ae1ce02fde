#include "platform/recordset/RecordReader.h"

#include <typeinfo>

#include "platform/recordset/RecordsetAccess.h"

namespace lv8int {

RecordReader::RecordReader(Ref<Object> recordset) : object_(std::move(recordset)) {
  if (!object_) raiseError(err::ObjectNotSet);
  // Only the class itself: a derived class may answer its members differently.
  if (typeid(*object_) == typeid(Recordset)) own_ = static_cast<Recordset*>(object_.get());
}

int32_t RecordReader::recordCount() { return own_ ? own_->RecordCount() : recordsets::recordCount(*object_); }

bool RecordReader::atEOF() { return own_ ? own_->atEOF() : recordsets::atEOF(*object_); }

bool RecordReader::isEmpty() {
  if (!own_) return recordsets::isEmpty(*object_);
  const bool bof = own_->atBOF();
  const bool eof = own_->atEOF();
  return bof && eof;
}

void RecordReader::moveFirst() { own_ ? own_->MoveFirst() : recordsets::moveFirst(*object_); }

void RecordReader::moveNext() { own_ ? own_->MoveNext() : recordsets::moveNext(*object_); }

void RecordReader::close() { own_ ? own_->Close() : recordsets::close(*object_); }

size_t RecordReader::field(const Variant& index) {
  fields_.push_back({Variant(index.deref()), -1, Variant()});
  return fields_.size() - 1;
}

const Variant& RecordReader::value(size_t field) {
  FieldSlot& f = fields_.at(field);
  if (!own_) {
    f.read = recordsets::fieldValue(*object_, f.index);
    return f.read;
  }
  // An object index stands for its default value, as in Fields(index).
  if (f.position < 0) f.position = own_->fieldPosition(f.index.isObject() ? valueOf(f.index) : f.index);
  return own_->value(f.position);
}

}  // namespace lv8int
