#pragma once
// Importing vouchers, a long job run in the console's progress window: it reports each voucher
// and stops at the next one once the user confirmed the cancel.
#include "platform/host/IProgressBar.h"

namespace lv8demo {

class ImportJob : public lv8int::IProgressJob {
 public:
  static constexpr int kVouchers = 120;

  explicit ImportJob(lv8int::Ref<lv8int::IProgressBar> bar) : bar_(std::move(bar)) {}
  void RunJob(int32_t nJobID) override;

  int imported() const { return imported_; }
  bool canceled() const { return canceled_; }

 private:
  lv8int::Ref<lv8int::IProgressBar> bar_;
  int imported_ = 0;
  bool canceled_ = false;
};

}  // namespace lv8demo
