#pragma once
// Replacing a platform service for the length of a scope.
//
// Each service interface I offers
//   static I& current();               // the replacement in force on this thread, else the Linux one
//   static I* exchangeCurrent(I* s);   // sets this thread's replacement (null: none), returns the old
// and a test writes
//   FakeMessageBox fake;
//   ServiceScope<IMessageBox> scope(fake);
namespace lv8int {

template <class I>
class ServiceScope {
 public:
  explicit ServiceScope(I& replacement) : previous_(I::exchangeCurrent(&replacement)) {}
  ~ServiceScope() { I::exchangeCurrent(previous_); }
  ServiceScope(const ServiceScope&) = delete;
  ServiceScope& operator=(const ServiceScope&) = delete;

 private:
  I* previous_;
};

}  // namespace lv8int
