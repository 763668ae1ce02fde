#include "SysDSN.h"

#include "MiddleTier.h"

namespace zrm {

using namespace lv8int;

String SysDSN::Database() const { return databasePath(); }

const DispatchTable* SysDSN::dispatchTable() const {
  static const DispatchTable table = DispatchBuilder<SysDSN>(u"SysDSN").get(u"Database", &SysDSN::Database).build();
  return &table;
}

}  // namespace zrm
