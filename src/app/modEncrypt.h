#pragma once
// The suite's password obfuscation: a chained exclusive-or with a fixed key text. It is kept
// for compatibility with stored passwords; it is not a cryptographic hash.
#include <cstdint>

#include "platform/automation/String.h"

namespace lv8int::modEncrypt {

// Hexadecimal text of `text` cut or zero-padded to `length` characters (2 bytes each; 0: as
// long as the text) and chained with `key`.
String EncryptText(const String& text, const String& key, int32_t length);

}  // namespace lv8int::modEncrypt
