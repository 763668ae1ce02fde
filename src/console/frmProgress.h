#pragma once
// frmProgress: the progress window, reached through IProgressBar. The console creates one,
// loaded and hidden, on the first ProgressBar request and unloads it when it ends.
#include <memory>

#include "platform/host/IProgressBar.h"

namespace lv8int {

class ProgressDialog;  // the Qt dialog behind the window

class frmProgress : public IProgressBar {
 public:
  frmProgress();  // loads the window hidden
  ~frmProgress() override;

  void Close() override;
  void StartJob(const Ref<IProgressJob>& job, int32_t nJobID = 0) override;
  bool Canceled() override;
  void put_MainText(const String& s) override;
  void put_SubText(const String& s) override;
  void put_Style(int32_t n) override;
  void put_Percentage(double p) override;
  void put_CancelText(const String& s) override;
  void put_Caption(const String& s) override;

  // Unloads the window (the library's own close, which goes through).
  void Unload();
  ProgressDialog* dialog() const { return dialog_.get(); }

 private:
  std::unique_ptr<ProgressDialog> dialog_;
  bool jobRunning_ = false;  // a job started without a window is running
};

}  // namespace lv8int
