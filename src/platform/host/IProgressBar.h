#pragma once
// The progress window's interface and the job it runs. Not dispatch interfaces; operations in
// slot order.
#include <cstdint>

#include "platform/automation/Object.h"

namespace lv8int {

class IProgressJob : public virtual Object {
 public:
  // Called once per StartJob, from inside the window's modal loop.
  virtual void RunJob(int32_t nJobID) = 0;
};

class IProgressBar : public virtual Object {
 public:
  virtual void Close() = 0;
  virtual void StartJob(const Ref<IProgressJob>& job, int32_t nJobID = 0) = 0;
  virtual bool Canceled() = 0;
  virtual void put_MainText(const String& s) = 0;
  virtual void put_SubText(const String& s) = 0;
  virtual void put_Style(int32_t n) = 0;
  virtual void put_Percentage(double p) = 0;
  virtual void put_CancelText(const String& s) = 0;
  virtual void put_Caption(const String& s) = 0;
};

}  // namespace lv8int
