#pragma once
// Ref<T>: an owning reference to an intrusively counted object (addRef/release).
#include <cstddef>
#include <utility>

namespace lv8int {

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  explicit Ref(T* p) noexcept : p_(p) { if (p_) p_->addRef(); }
  Ref(const Ref& o) noexcept : p_(o.p_) { if (p_) p_->addRef(); }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) noexcept : p_(o.get()) { if (p_) p_->addRef(); }
  ~Ref() { reset(); }

  Ref& operator=(const Ref& o) noexcept { Ref(o).swap(*this); return *this; }
  Ref& operator=(Ref&& o) noexcept { Ref(std::move(o)).swap(*this); return *this; }
  Ref& operator=(std::nullptr_t) noexcept { reset(); return *this; }

  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->release();
  }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  template <class U>
  bool operator==(const Ref<U>& o) const noexcept { return static_cast<const void*>(identity()) == static_cast<const void*>(o.identity()); }
  bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }

  // The address of the most-derived object, so that two references to the same object
  // through different interfaces compare equal.
  const void* identity() const noexcept { return p_ ? dynamic_cast<const void*>(p_) : nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... A>
Ref<T> make(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

}  // namespace lv8int
