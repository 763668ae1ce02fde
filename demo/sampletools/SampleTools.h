#pragma once
// The sample child windows' tools, shared by the demo host and `lv8 show toolbar`: each tool's
// band, name and resource number. The caption and icon of a tool are the string and the icon of
// that number in the resource module of the host's GResman slot 0 (demo/config's lv8demo.dll);
// a host without one gets the built-in caption and a stock icon.
#include <QStyle>
#include <cstdint>
#include <vector>

#include "platform/automation/Ref.h"

namespace lv8int {
class ToolbarControl;
}

namespace lv8demo {

struct SampleTool {
  const char16_t* band;
  const char16_t* name;
  int32_t resource;          // string and icon number in the resource module
  const char16_t* caption;   // without the module
  QStyle::StandardPixmap icon;
};

// New, Save, Delete, Print; First, Previous, Next, Last, Close.
extern const std::vector<SampleTool> kVoucherTools;
// Refresh, Print.
extern const std::vector<SampleTool> kListTools;
// Refresh, Expand.
extern const std::vector<SampleTool> kConfigTools;

// Adds the tools to `bar`, a band per band name in order of first use. Captions and icons come
// from the application's resource module when it has them.
void addSampleTools(lv8int::ToolbarControl& bar, const std::vector<SampleTool>& tools);

}  // namespace lv8demo
