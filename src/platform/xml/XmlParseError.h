#pragma once
// Why an XML document could not be loaded.
#include <cstdint>

#include "platform/automation/String.h"

namespace lv8int::xml {

struct XmlParseError {
  int32_t errorCode = 0;  // 0: no error
  String reason;          // the problem, with its line and column when it has one
  int32_t line = 0;       // 1-based; 0 when the error is not at a place in the text
  int32_t column = 0;     // 1-based, in characters
  String url;             // the file loaded
};

// Error codes. A missing file and text that is not well-formed are told apart.
namespace xmlerr {
constexpr int32_t code(uint32_t hresult) { return static_cast<int32_t>(hresult); }
inline constexpr int32_t FileNotFound = code(0x800C0006u);
inline constexpr int32_t AccessDenied = code(0x80070005u);
inline constexpr int32_t OutOfMemory = code(0x8007000Eu);
inline constexpr int32_t Failure = code(0x80004005u);  // also an XPath expression in error
inline constexpr int32_t BadName = code(0xC00CE504u);
inline constexpr int32_t BadText = code(0xC00CE508u);
inline constexpr int32_t BadCharacterReference = code(0xC00CE50Bu);
inline constexpr int32_t UndefinedEntity = code(0xC00CE50Du);
inline constexpr int32_t BadComment = code(0xC00CE50Eu);
inline constexpr int32_t BadDoctype = code(0xC00CE512u);
inline constexpr int32_t BadAttribute = code(0xC00CE513u);
inline constexpr int32_t BadCData = code(0xC00CE51Bu);
inline constexpr int32_t BadProcessingInstruction = code(0xC00CE523u);
inline constexpr int32_t DuplicateAttribute = code(0xC00CE53Au);
inline constexpr int32_t MultipleRoots = code(0xC00CE553u);
inline constexpr int32_t InvalidAtTopLevel = code(0xC00CE556u);
inline constexpr int32_t MissingRoot = code(0xC00CE558u);
inline constexpr int32_t UnsupportedEncoding = code(0xC00CE55Cu);
inline constexpr int32_t UnclosedTag = code(0xC00CE55Fu);
inline constexpr int32_t EndTagMismatch = code(0xC00CE56Du);
inline constexpr int32_t BadEndTag = code(0xC00CE56Fu);
}  // namespace xmlerr

}  // namespace lv8int::xml
