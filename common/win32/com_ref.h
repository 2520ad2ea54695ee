// A COM interface pointer released when it goes out of scope, for the code
// that drives the Windows Imaging Component as a client (fcview's PNG files,
// the WIC tests).
#pragma once

template <typename Interface>
struct ComRef {
  Interface* P = nullptr;
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (P != nullptr) P->Release();
  }
  // Where a creating call stores the new reference.
  Interface** Out() { return &P; }
  Interface* operator->() const { return P; }
  explicit operator bool() const { return P != nullptr; }
};
