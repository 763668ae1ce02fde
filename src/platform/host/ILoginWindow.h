#pragma once
// The login window component and its login record. Neither interface is a dispatch interface;
// their operations are declared in slot order.
#include <cstdint>

#include "platform/automation/Object.h"

namespace lv8int {

// The 44-byte login record: eleven fields in this order. The library reads fields 4
// (UserName), 10 (UserID) and 11 (ExamFlag); the others belong to the login window.
struct LoginInfo {
  String Field1;
  int32_t Field2 = 0;
  int32_t Field3 = 0;
  String UserName;
  String Field5;
  String Field6;
  String Field7;
  String Field8;
  String Field9;
  String UserID;
  String ExamFlag;
};

class ILoginWindow : public virtual Object {
 public:
  virtual int32_t hWnd() = 0;
  virtual bool ShowLogin() = 0;
  virtual LoginInfo GetLoginInfo() = 0;  // each call yields a fresh copy of the record
  virtual void CloseLogin() = 0;
};

class ILoginWindow2 : public virtual Object {
 public:
  virtual int32_t hWnd() = 0;
  virtual bool ShowLogin() = 0;
  virtual LoginInfo GetLoginInfo() = 0;
  virtual void CloseLogin() = 0;
  virtual void SetLoginType(int32_t& nLoginType) = 0;
  virtual int32_t GetLoginType() = 0;
};

}  // namespace lv8int
