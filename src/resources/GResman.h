#pragma once
// GResman: localised strings, pictures and icons from up to sixteen resource stores listed in
// the system configuration folder's Resource/resource.ini (section "resource", key = slot 0 to
// 15, value = file name). A store is a Jet database (.mdb), an SQLite database (.db, .sqlite,
// .sqlite3) or a resource DLL. A string identifier carries its slot in bits 16 to 19 and the
// string number in bits 0 to 15; pictures and icons come from slot 0.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/pictures/Picture.h"
#include "resources/GFrontEnd.h"

namespace lv8int {

class CResourceDLL;
class ResourceDatabase;

class GResman : public Object {
 public:
  // Opens the stores listed by the shared application's configuration (SystemPath +
  // "Resource/resource.ini"). Raises, and no object results, when the application has no
  // configuration (91), resource.ini is missing (53) or lists no store (9), a key is no number
  // (13) or lies outside 0 to 15 (9), or a database store cannot be opened (its error).
  GResman();
  // The same from a given resource.ini (tools, tests).
  explicit GResman(const String& resourceIni);
  ~GResman() override;

  // The string, or "<Unable to find resource string with ID: 0x...>". 9 for a slot past the
  // listed ones, 91 for a slot that lists no store.
  String GetString(int32_t lStrID);
  // The picture, or no object when the key has no row (database) or no resource (DLL).
  Ref<Picture> GetPicture(const String& PicID, int32_t picType, Variant& Size = GFrontEnd::missingArg(),
                          Variant& ColorDepth = GFrontEnd::missingArg());
  // The icon from the DLL in slot 0 at the size asked for; xPixel and yPixel come back holding
  // the size used.
  Ref<Picture> GetIcon(const String& PicID, int32_t Size, Variant& xPixel = GFrontEnd::missingArg(),
                       Variant& yPixel = GFrontEnd::missingArg());

  // --- what the lv8 tool shows ---
  enum class StoreKind { None, Database, Dll };
  int32_t count() const noexcept { return static_cast<int32_t>(slots_.size()); }
  StoreKind kindOf(int32_t slot) const;
  const String& storeName(int32_t slot) const;  // the file the slot was opened from
  // Every string of a slot as (string identifier with the slot's bits, text), in order.
  std::vector<std::pair<int32_t, String>> strings(int32_t slot);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  struct Slot {
    String name;                                // the store's file, resolved
    std::unique_ptr<ResourceDatabase> database;  // the connection table
    Ref<CResourceDLL> dll;                      // the DLL table
    String folder;                              // the folder table: the database's folder, "/"-terminated
  };
  void open(const String& resourceIni);
  const Slot& slotOf(int32_t slot) const;

  std::vector<Slot> slots_;  // slot 0 to count-1
};

}  // namespace lv8int
