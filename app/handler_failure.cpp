#include "app/handler_failure.h"

#include <windows.h>

#include <exception>
#include <utility>

namespace dizi {

namespace {
// The program-wide escaped exception: there is one user-interface thread and
// one event loop, and the exception belongs to neither window in particular.
std::exception_ptr keptFailure;
}  // namespace

void KeepHandlerFailure() noexcept {
  if (!keptFailure) {
    keptFailure = std::current_exception();
  }
  ::PostQuitMessage(0);
}

void RethrowHandlerFailure() {
  if (keptFailure) {
    std::rethrow_exception(std::exchange(keptFailure, nullptr));
  }
}

}  // namespace dizi
