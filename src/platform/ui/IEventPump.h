#pragma once
// Service: letting the user interface process its pending events during a long wait.
namespace lv8int {

class IEventPump {
 public:
  virtual ~IEventPump() = default;

  // Processes the events pending for this thread (repaints, input, timers); returns at once.
  virtual void processPendingEvents() = 0;

  static IEventPump& current();
  static IEventPump* exchangeCurrent(IEventPump* replacement);
};

}  // namespace lv8int
