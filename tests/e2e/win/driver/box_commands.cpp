#include <set>

#include "commands.h"
#include "common/json_reader.h"
#include "common/json_writer.h"
#include "hook_client.h"
#include "program_windows.h"

namespace e2e {

namespace {

constexpr DWORD kBoxTimeoutMs = 10000;

// The hook's description of one box, as one line: caption, text, icon and
// buttons. Nothing when the box closed before it could be read.
std::optional<std::string> DescribeBox(HWND box, HookClient& hook, std::string& error) {
  const auto answer = hook.Describe(box, kBoxTimeoutMs);
  if (!answer) {
    if (IsWindow(box)) {
      error = hook.Error().empty() ? "a message box did not answer" : hook.Error();
    }
    return std::nullopt;
  }
  const auto state = ParseJson(*answer);
  if (!state) {
    error = "unreadable answer from the hook";
    return std::nullopt;
  }
  for (const JsonValue& entry : (*state)["boxes"].items) {
    if (entry["hwnd"].number == static_cast<long long>(reinterpret_cast<UINT_PTR>(box))) {
      // Everything but the handle, which changes from run to run.
      JsonWriter json;
      json.BeginObject();
      json.Field("caption", entry["caption"].text);
      json.Field("text", entry["text"].text);
      json.Field("icon", entry["icon"].text);
      json.Key("buttons").BeginArray();
      for (const JsonValue& button : entry["buttons"].items) {
        json.String(button["text"].text);
      }
      json.EndArray();
      json.EndObject();
      return json.Text();
    }
  }
  error = "the hook did not see the message box";
  return std::nullopt;
}

// Presses the button `caption` (as shown), or OK, or the box's first button.
bool Answer(HWND box, const std::string& caption, std::string& error) {
  HWND button = caption.empty() ? GetDlgItem(box, IDOK) : FindButton(box, caption);
  if (button == nullptr && caption.empty()) {
    button = FindWindowExA(box, nullptr, "Button", nullptr);
  }
  if (button == nullptr) {
    error = caption.empty() ? "the message box has no button"
                            : "the message box has no button \"" + caption + "\"";
    return false;
  }
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kBoxTimeoutMs, &ignored);
  const DWORD start = GetTickCount();
  while (IsWindow(box)) {
    if (GetTickCount() - start >= kBoxTimeoutMs) {
      error = "the message box did not close";
      return false;
    }
    Sleep(20);
  }
  return true;
}

// True once the program's thread answers from its own loop, with the main
// window shown and no box open.
bool MainWindowIdle(const Options& options, HookClient& hook) {
  HWND main = FindMainWindow(options.caption);
  if (main == nullptr || !IsWindowVisible(main) || !MessageBoxesOf(options.image).empty()) {
    return false;
  }
  const auto answer = hook.Describe(main, 2000);
  if (!answer) {
    return false;
  }
  const auto state = ParseJson(*answer);
  return state && (*state)["boxes"].items.empty() && (*state)["main"]["visible"].boolean;
}

}  // namespace

Outcome Boxes(const Options& options, HookClient& hook) {
  Outcome outcome;
  std::set<HWND> reported;
  bool seenRunning = false;
  const DWORD start = GetTickCount();
  for (;;) {
    for (HWND box : MessageBoxesOf(options.image)) {
      if (reported.count(box) != 0) {
        continue;
      }
      std::string error;
      const auto line = DescribeBox(box, hook, error);
      if (!error.empty()) {
        return {false, outcome.output + error};
      }
      if (!line) {
        continue;  // closed meanwhile
      }
      reported.insert(box);
      outcome.output += *line + "\n";
      if (options.dismiss && !Answer(box, options.answer, error)) {
        return {false, outcome.output + error};
      }
    }

    const bool running = ImageRunning(options.image);
    seenRunning = seenRunning || running;
    if (options.until == "none") {
      return outcome;
    }
    if (options.until == "exit" && seenRunning && !running) {
      return outcome;
    }
    if (options.until == "main") {
      if (seenRunning && !running) {
        return {false, outcome.output + "the program ended before its main window was ready"};
      }
      if (MainWindowIdle(options, hook)) {
        return outcome;
      }
    }
    if (GetTickCount() - start >= options.timeoutMs) {
      return {false, outcome.output + "timed out waiting for " +
                         (options.until == "main" ? "the main window" : "the program to end")};
    }
    Sleep(50);
  }
}

}  // namespace e2e
