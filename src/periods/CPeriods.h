#pragma once
// CPeriods: the accounting periods of the current account set, loaded once from the middle tier.
//
// Ownership: a period holds its collection; the collection holds each period's fields and
// only a non-owning pointer to the period object while some client holds it. Item hands out
// that same object while it lives and makes a new one with the same fields once it has ended,
// so the pair has no reference cycle and is freed when the last holder lets go.
//
// Storage: the periods' fields sit in one vector by position, their key texts in one buffer,
// and the keys are found through an open-addressing table of positions over that vector, so
// a load of many periods makes a handful of allocations instead of several per period. Keys,
// positions and errors are those of a Collection keyed by the ID's text.
#include <cstdint>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class CApplication;
class CPeriod;

class CPeriods : public Object {
 public:
  CPeriods();
  ~CPeriods() override;
  int32_t Count() const;
  Ref<CPeriod> Item(Variant& index);  // default member: a key text, or a position
  Ref<Object> NewEnum() const;        // dispatch id -4
  // Library-internal: loads the periods through the application's middle tier.
  void LoadPeriods(const Ref<CApplication>& objApp);

  // Drops the periods: Count becomes 0; periods still held keep their own fields. (Not named
  // release: that would hide Object::release, so that Ref<CPeriods> emptied the list instead
  // of letting go of it.)
  void dropPeriods();

  // Library-internal: the period at `position` ends (see Ownership).
  void periodEnded(int32_t position, const CPeriod* period);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  struct Entry {
    int32_t id = 0;
    int32_t status = 0;
    double startDate = 0;
    double endDate = 0;
    CPeriod* live = nullptr;  // the period object while a holder keeps it
    size_t keyHash = 0;       // NoCaseHash of the key
    uint32_t keyStart = 0;    // the folded key in Table::keys; length 0: no key
    uint32_t keyLength = 0;
  };
  struct Table {
    std::vector<Entry> entries;  // by position - 1; a live pointer is a cache
    String keys;                 // every folded key, one after another
    std::vector<uint64_t> buckets; // positions by key hash (0: free); size a power of two
    size_t keyed = 0;            // entries with a key

    // Appends a period under `key` (none when empty); 457 when the key is there already,
    // with the table unchanged.
    void append(const Entry& entry, StringView key);
    // 1-based position of the period under `key`, or 0.
    int32_t find(StringView key) const;
    void reserve(size_t count);

   private:
    int32_t find(StringView key, size_t hash) const;
    void grow();
    void place(uint32_t position);
  };

  Ref<CPeriod> periodAt(int32_t position) const;
  // A position as Collection.Item reads a non-text index: an object stands for its default
  // value (a text then is a key that must be there, 5), no value is 5, a number outside
  // 1..Count is 9.
  int32_t positionOf(const Variant& index) const;

  mutable Table table_;
};

}  // namespace lv8int
