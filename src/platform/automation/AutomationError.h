#pragma once
// The one exception type of the library: an automation error {number, source, description}.
#include <cstdint>
#include <exception>
#include <string>

#include "platform/automation/String.h"

namespace lv8int {

// First error code reserved for components (hexadecimal 80040000).
inline constexpr int32_t vbObjectError = -2147221504;

// The project name the runtime reports as the source of its own errors.
inline constexpr char16_t kDefaultErrorSource[] = u"LV8INT";

class AutomationError : public std::exception {
 public:
  AutomationError(int32_t number, String source, String description);

  int32_t number() const noexcept { return number_; }
  const String& source() const noexcept { return source_; }
  const String& description() const noexcept { return description_; }
  void setSource(String source) { source_ = std::move(source); what_.clear(); }

  const char* what() const noexcept override;

 private:
  int32_t number_;
  String source_;
  String description_;
  mutable std::string what_;
};

// The runtime's standard English description of an error number ("Application-defined or
// object-defined error" for numbers the table does not know).
String standardDescription(int32_t number);

// Raise error `number` with the runtime's standard description.
[[noreturn]] void raiseError(int32_t number, StringView source = kDefaultErrorSource);

// Raise an error with a description of the library's own.
[[noreturn]] void raiseError(int32_t number, StringView source, StringView description);

// Standard error numbers used throughout the library.
namespace err {
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t OutOfStackSpace = 28;
inline constexpr int32_t BadFileNameOrNumber = 52;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t DeviceIOError = 57;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t ObjectNotSet = 91;
inline constexpr int32_t ForLoopNotInitialized = 92;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t ObjectRequired = 424;
inline constexpr int32_t CannotCreateObject = 429;
inline constexpr int32_t MemberNotSupported = 438;
inline constexpr int32_t AutomationFailure = 440;
inline constexpr int32_t ActionNotSupported = 445;
inline constexpr int32_t NamedArgumentsNotSupported = 446;
inline constexpr int32_t NamedArgumentNotFound = 448;
inline constexpr int32_t ArgumentNotOptional = 449;
inline constexpr int32_t WrongArgumentCount = 450;
inline constexpr int32_t DuplicateKey = 457;
inline constexpr int32_t UnsupportedAutomationType = 458;
inline constexpr int32_t RemoteServerUnavailable = 462;
}  // namespace err

}  // namespace lv8int
