#include "console/frmProgress.h"

#include <QCoreApplication>

#include "console/ProgressDialog.h"
#include "platform/ui/UiSupport.h"
#include "resources/GFrontEnd.h"

namespace lv8int {

frmProgress::frmProgress() {
  if (ui::canShowWidgets()) dialog_ = std::make_unique<ProgressDialog>();
}

frmProgress::~frmProgress() { Unload(); }

void frmProgress::Unload() {
  if (!dialog_) return;
  dialog_->unload();
  if (!QCoreApplication::instance()) {
    // Past the application's end the window system is gone: left to the process's end.
    dialog_.release();
  } else if (dialog_->isInModalLoop()) {
    // StartJob is still on the stack: the dialog goes once its display has ended.
    dialog_.release()->deleteWhenDone();
  } else {
    dialog_.reset();
  }
}

void frmProgress::Close() {
  if (dialog_) dialog_->close_();
}

void frmProgress::StartJob(const Ref<IProgressJob>& job, int32_t nJobID) {
  if (dialog_) {
    dialog_->startJob(job, nJobID);
    return;
  }
  // No window can be shown on this thread: the job runs at once, its errors reported as the
  // window's would be. A job that starts a job meets the window's own refusal, as it would with
  // the window shown, instead of starting itself without end.
  if (jobRunning_) {
    raiseError(400, String(kDefaultErrorSource) + u"frmProgress.IProgressBar_StartJob()\\",
               u"Form already displayed; can't show modally");
  }
  try {
    if (!job) raiseError(err::ObjectNotSet);
    Ref<IProgressJob> keep = job;
    jobRunning_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{jobRunning_};
    keep->RunJob(nJobID);
  } catch (const AutomationError& e) {
    make<GFrontEnd>()->ERB(e.number(), e.source(), e.description(), Variant(int32_t{16}));
  }
}

bool frmProgress::Canceled() { return dialog_ ? dialog_->canceled() : false; }

void frmProgress::put_MainText(const String& s) {
  if (dialog_) dialog_->setMainText(s);
}

void frmProgress::put_SubText(const String& s) {
  if (dialog_) dialog_->setSubText(s);
}

void frmProgress::put_Style(int32_t n) {
  if (dialog_) dialog_->setStyle(n);
}

void frmProgress::put_Percentage(double p) {
  if (dialog_) dialog_->setPercentage(p);
}

void frmProgress::put_CancelText(const String& s) {
  if (dialog_) dialog_->setCancelText(s);
}

void frmProgress::put_Caption(const String& s) {
  if (dialog_) dialog_->setCaption(s);
}

}  // namespace lv8int
