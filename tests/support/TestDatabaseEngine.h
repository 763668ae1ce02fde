#pragma once
// A database-engine component for tests: the library only creates it and hands it out.
#include "platform/automation/Dispatch.h"
#include "platform/host/CDatabaseEngine.h"

namespace lv8int::test {

inline constexpr char16_t kDatabaseEngineProgID[] = u"LV8DBE.CDatabaseEngine";

class TestDatabaseEngine : public CDatabaseEngine {
 public:
  TestDatabaseEngine() { ++created_; }
  // How many were made in this process.
  static int created() { return created_; }

 private:
  static inline int created_ = 0;
};

}  // namespace lv8int::test
