#pragma once
// VariantCodec: automation values to and from the middle-tier protocol's messages. Values
// keep their automation type; arrays keep their bounds; a recordset travels as its data and is
// rebuilt as the in-memory recordset; any other object crosses as an id that the side which
// holds it hands out.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Variant.h"

namespace lv8int::midtier {
class Value;
class Error;
}  // namespace lv8int::midtier

namespace lv8int {

class VariantCodec {
 public:
  // The id under which an object (not a recordset) is sent: 0 is Nothing; raise 458 for an
  // object that cannot cross.
  using ObjectToId = std::function<uint64_t(const Ref<Object>&)>;
  // The object an id received stands for (never called for 0).
  using IdToObject = std::function<Ref<Object>(uint64_t)>;

  VariantCodec(ObjectToId toId, IdToObject toObject) : toId_(std::move(toId)), toObject_(std::move(toObject)) {}

  void encode(const Variant& value, midtier::Value& out) const;
  // A value received; malformed data (an unknown type, a number out of its type's range,
  // elements that do not fill the bounds) raises 13 rather than building a wrong value.
  Variant decode(const midtier::Value& in) const;

  static void encodeError(const AutomationError& error, midtier::Error& out);
  static AutomationError decodeError(const midtier::Error& in);

  // Automation text as UTF-16LE bytes and back (an odd last byte is dropped).
  static std::string toBytes(StringView text);
  static String fromBytes(const std::string& bytes);

 private:
  ObjectToId toId_;
  IdToObject toObject_;
};

}  // namespace lv8int
