// The handle owners on a real (Wine) system: each closes its handle exactly
// once, hands it on when moved, and knows which value means "none" for its kind.
#include <windows.h>

#include <tlhelp32.h>

#include <utility>

#include "check.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {
namespace {

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != 0;
}

// A registry key is open while the registry still answers through it.
bool IsOpen(HKEY key) {
  DWORD values = 0;
  return ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

HANDLE NewEvent() {
  return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

TEST_CASE(AKernelHandleIsClosedWhenItsOwnerGoes) {
  HANDLE raw = nullptr;
  {
    const ScopedHandle event(NewEvent());
    raw = event.Get();
    CHECK(static_cast<bool>(event));
    CHECK(IsOpen(raw));
  }
  CHECK(!IsOpen(raw));
}

TEST_CASE(MovingHandsTheHandleOnAndLeavesTheSourceEmpty) {
  ScopedHandle first(NewEvent());
  const HANDLE raw = first.Get();
  ScopedHandle second(std::move(first));
  CHECK(!first);
  CHECK(first.Get() == nullptr);
  CHECK(second.Get() == raw);
  CHECK(IsOpen(raw));

  ScopedHandle third;
  third = std::move(second);
  CHECK(!second);
  CHECK(third.Get() == raw);
  CHECK(IsOpen(raw));
  third = ScopedHandle();
  CHECK(!third);
  CHECK(!IsOpen(raw));
}

TEST_CASE(MoveAssignmentClosesTheHandleItReplaces) {
  ScopedHandle kept(NewEvent());
  const HANDLE replaced = kept.Get();
  ScopedHandle other(NewEvent());
  const HANDLE taken = other.Get();
  kept = std::move(other);
  CHECK(!IsOpen(replaced));
  CHECK(IsOpen(taken));
  CHECK(kept.Get() == taken);
}

TEST_CASE(ResetClosesTheOldHandleAndReleaseClosesNothing) {
  ScopedHandle owner(NewEvent());
  const HANDLE first = owner.Get();
  const HANDLE second = NewEvent();
  owner.Reset(second);
  CHECK(!IsOpen(first));
  CHECK(owner.Get() == second);

  const HANDLE released = owner.Release();
  CHECK(released == second);
  CHECK(!owner);
  CHECK(IsOpen(released));
  ::CloseHandle(released);
}

TEST_CASE(EachKindKnowsItsOwnEmptyValue) {
  CHECK(!ScopedHandle());
  CHECK(ScopedHandle().Get() == nullptr);
  CHECK(!ScopedFileHandle());
  CHECK(ScopedFileHandle().Get() == INVALID_HANDLE_VALUE);
  CHECK(!ScopedSnapshot(INVALID_HANDLE_VALUE));
  CHECK(!ScopedRegistryKey());
  CHECK(ScopedRegistryKey().Get() == nullptr);
  // A failed CreateFile gives INVALID_HANDLE_VALUE, which a file owner takes as empty.
  const ScopedFileHandle absent(::CreateFileA("C:\\no such folder\\no such file", GENERIC_READ, 0,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                              nullptr));
  CHECK(!absent);
}

TEST_CASE(ASnapshotListsProcessesAndIsClosedOnce) {
  HANDLE raw = INVALID_HANDLE_VALUE;
  {
    const ScopedSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    CHECK(static_cast<bool>(snapshot));
    raw = snapshot.Get();
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    CHECK(::Process32First(snapshot.Get(), &entry) != FALSE);
  }
  CHECK(!IsOpen(raw));
}

TEST_CASE(ARegistryKeyIsClosedWhenItsOwnerGoes) {
  HKEY opened = nullptr;
  CHECK_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &opened),
           LONG{ERROR_SUCCESS});
  {
    ScopedRegistryKey key(opened);
    CHECK(static_cast<bool>(key));
    CHECK(IsOpen(key.Get()));
    const ScopedRegistryKey moved(std::move(key));
    CHECK(!key);
    CHECK(IsOpen(moved.Get()));
  }
  CHECK(!IsOpen(opened));
}

}  // namespace
}  // namespace dizi
