#pragma once
// The Linux event pump: the Qt event loop of the calling thread, when an application exists.
#include "platform/ui/IEventPump.h"

namespace lv8int {

class QtEventPump : public IEventPump {
 public:
  void processPendingEvents() override;
};

}  // namespace lv8int
