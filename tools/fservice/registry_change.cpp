#include "fservice/registry_change.h"

#include "fservice/autostart_value.h"
#include "fservice/debug_report.h"
#include "fservice/undo_file.h"
#include "fservice/wide_buffer.h"
#include "platform/win32/error_text.h"
#include "platform/win32/kernel_functions.h"

namespace dizi::tools {

namespace {

// The native API's counted text (UNICODE_STRING).
struct CountedText {
  USHORT length;  // bytes
  USHORT room;    // bytes
  const wchar_t* text;
};

using NtDeleteValueKeyFunction = LONG(WINAPI*)(HANDLE key, CountedText* name);
using RtlNtStatusToDosErrorFunction = ULONG(WINAPI*)(LONG status);

bool HoldsNull(WideView name) {
  return name.find(WideChar(0)) != WideView::npos;
}

// Deletes the value whose name is exactly `name`, nulls and all.
LONG DeleteCountedName(HKEY key, WideView name) {
  const auto delete_value = NtdllFunction<NtDeleteValueKeyFunction>("NtDeleteValueKey");
  const auto to_error = NtdllFunction<RtlNtStatusToDosErrorFunction>("RtlNtStatusToDosError");
  if (delete_value == nullptr || to_error == nullptr) {
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  if (name.size() > 0x7FFF) {
    return ERROR_INVALID_PARAMETER;
  }
  const USHORT bytes = static_cast<USHORT>(name.size() * sizeof(WideChar));
  CountedText counted = {bytes, bytes, name.data()};
  const LONG status = delete_value(key, &counted);
  return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(to_error(status));
}

LONG Delete(HKEY key, WideView name) {
  if (HoldsNull(name)) {
    return DeleteCountedName(key, name);
  }
  WideBuffer terminated;
  if (terminated.Append(name).Failed()) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return RegDeleteValueW(key, terminated.Terminated());
}

LONG Set(HKEY key, WideView name, const ValueBytes& now) {
  if (HoldsNull(name)) {
    return ERROR_INVALID_PARAMETER;
  }
  WideBuffer terminated;
  if (terminated.Append(name).Failed()) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return RegSetValueExW(key, terminated.Terminated(), 0, now.type,
                        static_cast<const BYTE*>(now.data), now.size);
}

// A string value's text in quotes, a DWORD's number, otherwise type and size.
ReportLine& AddData(ReportLine& line, const ValueBytes& value) {
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    return line.AddQuoted(
        SplitStringData(static_cast<const WideChar*>(value.data), value.size).text);
  }
  if (value.type == REG_DWORD && value.size == sizeof(DWORD)) {
    return line.AddNumber(*static_cast<const DWORD*>(value.data));
  }
  return line.Add("(type ").AddNumber(value.type).Add(", ").AddNumber(value.size).Add(" bytes)");
}

ReportLine& AddValueName(ReportLine& line, const ValueChange& change) {
  return AddKeyName(line, change.place, change.key_path).Add(" value ").AddQuoted(change.name);
}

}  // namespace

bool ApplyChange(const ValueChange& change, UndoFiles& undo) {
  const DWORD saved = undo.Save(change);
  if (saved != ERROR_SUCCESS) {
    ReportLine line;
    line.Add("left ");
    ReportFailure(change.place,
                  AddValueName(line, change)
                      .Add(" as it is: its value could not be saved in the undo file first: ")
                      .Add(DescribeError(saved).text));
    return false;
  }
  const LONG error = change.now == nullptr ? Delete(change.key, change.name)
                                           : Set(change.key, change.name, *change.now);
  ReportLine line;
  if (error != ERROR_SUCCESS) {
    line.Add(change.now == nullptr ? "cannot remove " : "cannot change ");
    ReportFailure(change.place,
                  AddValueName(line, change).Add(": ").Add(DescribeError(error).text));
    return false;
  }
  ++change.place.record->tally.changed;
  if (change.now == nullptr) {
    line.Add("removed ");
    Report(AddData(AddValueName(line, change).Add(" = "), change.old));
  } else {
    Report(AddData(AddData(AddValueName(line, change).Add(": "), change.old).Add(" -> "),
                   *change.now));
  }
  return true;
}

}  // namespace dizi::tools
