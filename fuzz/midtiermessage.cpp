// libFuzzer target: a middle-tier reply as it arrives from the network. Whatever the bytes, the
// values decode or are refused with a type mismatch, and a value that decodes encodes into a
// message that decodes and encodes to the same bytes again.
#include <cstdint>
#include <cstdlib>

#include "midtier.pb.h"
#include "platform/automation/AutomationError.h"
#include "platform/components/VariantCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lv8int;
  midtier::CallReply reply;
  if (!reply.ParseFromArray(data, static_cast<int>(size))) return 0;
  VariantCodec codec([](const Ref<Object>&) -> uint64_t { return 1; },
                     [](uint64_t) -> Ref<Object> { return make<Object>(); });
  std::vector<midtier::Value> received{reply.result()};
  for (const midtier::WrittenBack& w : reply.written()) received.push_back(w.value());
  for (const midtier::Value& wire : received) {
    Variant v;
    try {
      v = codec.decode(wire);
    } catch (const AutomationError& e) {
      if (e.number() != err::TypeMismatch) std::abort();
      continue;
    }
    // Compared as messages: a NaN is not equal to itself, its bytes are.
    midtier::Value again, twice;
    codec.encode(v, again);
    codec.encode(codec.decode(again), twice);
    if (again.SerializeAsString() != twice.SerializeAsString()) std::abort();
  }
  if (reply.has_error()) (void)VariantCodec::decodeError(reply.error());
  return 0;
}
