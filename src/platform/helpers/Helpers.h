#pragma once
// Small helper operations the library's classes lean on: text formatting with %s and %d,
// "&H" number formatting, the byte extractors, array element counts, the collection
// key-exists test, the computer name and the AppID under which a ProgID is registered.
#include <cstdint>
#include <vector>

#include "platform/automation/Object.h"
#include "platform/automation/String.h"
#include "platform/automation/Variant.h"

namespace lv8int::helpers {

// Replaces each "%s" and "%d" of `pattern`, left to right, by the next argument: %s by its
// text (CStr), %d by its whole-number value in decimal (CLng: a text that is no number raises
// 13). "%%" gives "%". A placeholder without an argument left stays as written, arguments
// without a placeholder are ignored, and text substituted is never scanned again.
String format(StringView pattern, const std::vector<Variant>& args);

// `prefix` followed by the number in upper-case hexadecimal without leading zeros:
// formatNumber(255, u"&H") is "&HFF", formatNumber(-1, u"&H") is "&HFFFFFFFF" (a negative
// Long gives its eight digits).
String formatNumber(int32_t number, StringView prefix);
// The same for a Variant, as automation's Hex does: a negative Integer gives four digits, a
// Byte at most two; other numbers and texts go through CLng.
String formatNumber(const Variant& number, StringView prefix);

// The byte extractors. The first extractor gives the low byte of a 16-bit value, the second
// the high byte; every caller that splits a character code into two bytes uses this order.
inline uint8_t lowByte(int16_t value) { return static_cast<uint8_t>(static_cast<uint16_t>(value) & 0xFF); }
inline uint8_t highByte(int16_t value) { return static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8); }
inline uint8_t firstByte(int16_t value) { return lowByte(value); }
inline uint8_t secondByte(int16_t value) { return highByte(value); }

// Number of elements of an array Variant's first dimension; 0 for an array that holds
// nothing or was never allocated. A value that is no array raises 13.
int32_t elementCount(const Variant& array);

// True when the collection has an item under `key`. Works for any collection object: one that
// is not a Collection is asked for Item(key), and any error means "no".
bool keyExists(const Ref<Object>& collection, StringView key);

// The text of a buffer up to its first zero character (the whole text when it has none).
String leftOfZero(StringView buffer);

// The name of this computer: the host name up to its first dot, or LV8INT_COMPUTERNAME when
// that is set (tests, sandboxes).
String computerName();

// The AppID under which the ProgID's class is registered, "{...}" in upper case;
// "{00000000-0000-0000-0000-000000000000}" when the ProgID or its AppID is not registered.
String appIDOfProgID(StringView progID);

}  // namespace lv8int::helpers
