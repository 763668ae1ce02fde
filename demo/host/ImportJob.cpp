#include "ImportJob.h"

#include "Tour.h"
#include "platform/automation/Conversions.h"

namespace lv8demo {

using namespace lv8int;

void ImportJob::RunJob(int32_t) {
  bar_->put_MainText(u"正在导入凭证，请稍候...");
  for (int i = 1; i <= kVouchers; ++i) {
    if (bar_->Canceled()) {
      canceled_ = true;
      return;
    }
    bar_->put_SubText(u"第 " + toString(i) + u" 张，共 " + toString(kVouchers) + u" 张");
    bar_->put_Percentage(100.0 * i / kVouchers);
    pause(40);  // the work on one voucher; the window stays responsive
    imported_ = i;
  }
  bar_->Close();
}

}  // namespace lv8demo
