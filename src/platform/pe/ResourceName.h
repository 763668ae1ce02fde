#pragma once
// A resource type or name as the resource directory of a PE file holds it: a 16-bit number or
// a text. Texts compare without regard to letter case, as the Windows loader upper-cases them.
#include <cstdint>

#include "platform/automation/String.h"

namespace lv8int::pe {

// Resource types of the directory's first level.
inline constexpr uint16_t RT_CURSOR = 1;
inline constexpr uint16_t RT_BITMAP = 2;
inline constexpr uint16_t RT_ICON = 3;
inline constexpr uint16_t RT_STRING = 6;
inline constexpr uint16_t RT_GROUP_CURSOR = 12;
inline constexpr uint16_t RT_GROUP_ICON = 14;

class ResourceName {
 public:
  ResourceName() = default;  // the number 0
  ResourceName(uint16_t id) : id_(id), isId_(true) {}  // NOLINT: numbers convert as in MAKEINTRESOURCE
  ResourceName(String text) : text_(std::move(text)), isId_(false) {}  // NOLINT
  ResourceName(const char16_t* text) : text_(text), isId_(false) {}  // NOLINT

  // A name as the loader takes it from text: "#12" is the number 12 (decimal digits only,
  // within 16 bits), anything else the text itself.
  static ResourceName parse(StringView text);

  bool isId() const noexcept { return isId_; }
  uint16_t id() const noexcept { return id_; }
  const String& text() const noexcept { return text_; }

  bool matches(const ResourceName& other) const;
  // "#12" or the text; what a listing shows.
  String display() const;

 private:
  String text_;
  uint16_t id_ = 0;
  bool isId_ = true;
};

}  // namespace lv8int::pe
