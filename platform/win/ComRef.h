// An owning reference to a COM interface: AddRef on copy, Release on destruction.
#pragma once

#include <windows.h>

#include <utility>

namespace mailshift::platform::win {

template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller already holds.
  static ComRef Adopt(Interface* pointer) {
    ComRef ref;
    ref.pointer_ = pointer;
    return ref;
  }
  // Adds a reference of its own.
  static ComRef Share(Interface* pointer) {
    if (pointer != nullptr) pointer->AddRef();
    return Adopt(pointer);
  }

  ComRef(const ComRef& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComRef() { Reset(); }

  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For out-parameters: releases what it held and gives the slot to fill.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace mailshift::platform::win
