// RAII owners for the system's handles; each lives inside the one operation that uses it.
#pragma once

#include <windows.h>
#include <objbase.h>  // CoInitialize: not in <windows.h> when it is lean
#include <wininet.h>

#include <memory>
#include <utility>

namespace kestrion::win {

template <typename H, typename Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(H h) : h_(h) {}
  ~Unique() { reset(); }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& o) noexcept : h_(o.release()) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::invalid(); }
  H release() { return std::exchange(h_, Traits::invalid()); }
  void reset(H h = Traits::invalid()) {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }

 private:
  H h_ = Traits::invalid();
};

struct FileTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct KernelTraits {  // a process, a thread, ...: null when absent
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { FindClose(h); }
};
struct InetTraits {
  static HINTERNET invalid() { return nullptr; }
  static void close(HINTERNET h) { InternetCloseHandle(h); }
};

using FileHandle = Unique<HANDLE, FileTraits>;
using KernelHandle = Unique<HANDLE, KernelTraits>;
using FindHandle = Unique<HANDLE, FindTraits>;
using InetHandle = Unique<HINTERNET, InetTraits>;

// Memory the system hands out and the caller frees: with CoTaskMemFree (shell item lists) or
// with LocalFree (what CommandLineToArgvW returns).
struct CoTaskMemFreer {
  void operator()(void* p) const { CoTaskMemFree(p); }
};
struct LocalFreer {
  void operator()(void* p) const { LocalFree(p); }
};
template <typename T>
using CoTaskMemPtr = std::unique_ptr<T, CoTaskMemFreer>;
template <typename T>
using LocalPtr = std::unique_ptr<T, LocalFreer>;

// A COM interface pointer that releases itself; moves, never copies.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// COM for the current thread, for the life of the object.
class ComScope {
 public:
  ComScope() : hr_(CoInitialize(nullptr)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace kestrion::win
