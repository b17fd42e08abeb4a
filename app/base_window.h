// The frame every window class of the program is built on: the window
// procedure finds the C++ object of its window (stored on WM_NCCREATE) and
// hands each message to its HandleMessage, which passes it on to small OnXxx
// methods.
//
// T provides:
//   static constexpr char kClassName[];
//   static void DescribeClass(WNDCLASSEXA&);  // cursor, background, icons, style
//   LRESULT HandleMessage(UINT, WPARAM, LPARAM);  // BaseWindow<T> is a friend
#pragma once

#include <windows.h>

#include "app/handler_failure.h"
#include "app/layout.h"
#include "platform/win32/win32_error.h"

namespace dizi {

template <typename T>
class BaseWindow {
 public:
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  // Null before creation and after destruction.
  HWND Window() const { return window_; }

 protected:
  BaseWindow() = default;
  // By now the derived object is gone: the window, if it still exists, is cut
  // off from it before it is destroyed.
  ~BaseWindow() {
    if (window_ != nullptr) {
      ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      ::DestroyWindow(window_);
    }
  }

  // Registers the class (once per program) and creates the window; WM_CREATE
  // is handled before this returns. Throws when either step fails.
  void Create(DWORD exStyle, const char* title, DWORD style, const Bounds& bounds, HWND parent,
              HMENU menuOrId, HINSTANCE instance) {
    Register(instance);
    const HWND window = ::CreateWindowExA(exStyle, T::kClassName, title, style, bounds.left,
                                          bounds.top, bounds.width, bounds.height, parent, menuOrId,
                                          instance, static_cast<T*>(this));
    if (window == nullptr) {
      RethrowHandlerFailure();  // an exception of the window's own WM_CREATE
      ThrowLastError("CreateWindowExA");
    }
  }

  // Destroys the window if it still exists. A derived class calls it first in
  // its destructor, so that no message reaches a half-destroyed object.
  void Destroy() {
    if (window_ != nullptr) {
      ::DestroyWindow(window_);
    }
  }

  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(window_, message, wParam, lParam);
  }

 private:
  static void Register(HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(instance, T::kClassName, &existing)) {
      return;
    }
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &Procedure;
    description.hInstance = instance;
    description.lpszClassName = T::kClassName;
    description.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    T::DescribeClass(description);
    if (::RegisterClassExA(&description) == 0) {
      ThrowLastError("RegisterClassExA");
    }
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    T* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->window_ = window;
    } else {
      self = reinterpret_cast<T*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (self == nullptr) {
      return ::DefWindowProcA(window, message, wParam, lParam);
    }

    LRESULT result = 0;
    try {
      result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
      KeepHandlerFailure();
      // A failure while the window is being created makes the creation fail.
      result = message == WM_CREATE ? -1 : 0;
    }
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
    }
    return result;
  }

  HWND window_ = nullptr;
};

}  // namespace dizi
