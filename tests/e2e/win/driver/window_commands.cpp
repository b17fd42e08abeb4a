#include <cstdlib>
#include <optional>

#include "commands.h"
#include "common/captions.h"
#include "common/click_target.h"
#include "common/json_reader.h"
#include "common/window_lookup.h"
#include "hook_client.h"
#include "program_windows.h"

namespace e2e {

namespace {

// The main window, ready for the user: shown and not disabled by a modal box.
HWND UsableMainWindow(const Options& options, std::string& error) {
  HWND main = FindMainWindow(options.caption);
  if (main == nullptr) {
    error = "no window with the caption \"" + options.caption + "\"";
  } else if (!IsWindowVisible(main)) {
    error = "the main window is hidden";
  } else if (!IsWindowEnabled(main)) {
    error = "the main window is disabled (a modal box is open)";
  } else {
    return main;
  }
  return nullptr;
}

// The window the command works: the main window, or the one --window names;
// shown and not disabled by a modal window.
HWND UsableWindow(const Options& options, std::string& error) {
  if (options.window.empty()) {
    return UsableMainWindow(options, error);
  }
  HWND window = FindMainWindow(options.window);
  if (window == nullptr) {
    error = "no window with the caption \"" + options.window + "\"";
  } else if (!IsWindowVisible(window) || !IsWindowEnabled(window)) {
    error = "the window \"" + options.window + "\" is hidden or disabled";
  } else {
    return window;
  }
  return nullptr;
}

// The window whose thread is asked for the program's state after a command
// on `window`: the main window, which outlives the other windows.
HWND AskedWindow(const Options& options, HWND window) {
  HWND main = options.window.empty() ? nullptr : FindMainWindow(options.caption);
  return main != nullptr ? main : window;
}

// The program's state once the thread of `main` has taken every message
// posted so far. A command that ends the program (Exit) may close the window
// before the question is asked; that is reported as {"ended":true}.
Outcome StateAfterQueue(HWND main, const Options& options, HookClient& hook) {
  if (auto answer = hook.Describe(main, options.timeoutMs)) {
    return {true, *answer};
  }
  if (!hook.Error().empty()) {
    return {false, hook.Error()};
  }
  if (!IsWindow(main)) {
    return {true, "{\"ended\":true}"};
  }
  return {false, "the program did not answer in time"};
}

// The menu leaf whose caption, as shown, is `caption`; searched depth first.
const JsonValue* FindMenuItem(const JsonValue& items, const std::string& caption) {
  for (const JsonValue& item : items.items) {
    if (!item["items"].IsNull()) {
      if (const JsonValue* found = FindMenuItem(item["items"], caption)) {
        return found;
      }
    } else if (ShownCaption(item["caption"].text) == caption) {
      return &item;
    }
  }
  return nullptr;
}

}  // namespace

Outcome WaitWindow(const Options& options, HookClient&) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND main = FindMainWindow(options.caption);
    if (main != nullptr && IsWindowVisible(main)) {
      DWORD process = 0;
      GetWindowThreadProcessId(main, &process);
      return {true, "{\"hwnd\":" + std::to_string(reinterpret_cast<UINT_PTR>(main)) +
                        ",\"process\":" + std::to_string(process) + "}"};
    }
    if (GetTickCount() - start >= options.timeoutMs) {
      return {false, "no visible window with the caption \"" + options.caption + "\""};
    }
    Sleep(50);
  }
}

Outcome State(const Options& options, HookClient& hook) {
  HWND target = FindMainWindow(options.caption);
  if (target == nullptr) {
    // Before the main window exists, a start-up box still leads to the thread.
    const auto boxes = MessageBoxesOf(options.image);
    if (boxes.empty()) {
      return {false, "neither the main window nor a message box of " + options.image};
    }
    target = boxes.front();
  }
  return StateAfterQueue(target, options, hook);
}

Outcome Click(const Options& options, HookClient& hook) {
  std::string error;
  HWND main = UsableWindow(options, error);
  if (main == nullptr) {
    return {false, error};
  }
  const std::string& caption = options.words[1];
  HWND button = FindButton(main, caption);
  if (button == nullptr) {
    return {false, "no button \"" + caption + "\""};
  }
  if (!IsWindowVisible(button)) {
    return {false, "the button \"" + caption + "\" is hidden"};
  }
  if (!IsWindowEnabled(button)) {
    return {false, "the button \"" + caption + "\" is disabled"};
  }
  if (!ReceivesClickAtCentre(button, main)) {
    return {false, "the button \"" + caption + "\" is covered by another control"};
  }
  PostMessageA(button, BM_CLICK, 0, 0);
  return StateAfterQueue(AskedWindow(options, main), options, hook);
}

Outcome Select(const Options& options, HookClient& hook) {
  std::string error;
  HWND window = UsableWindow(options, error);
  if (window == nullptr) {
    return {false, error};
  }
  HWND list = FindDescendantById(window, std::atoi(options.words[1].c_str()));
  if (list == nullptr || !IsWindowVisible(list) || !IsWindowEnabled(list)) {
    return {false, "no usable list " + options.words[1]};
  }
  const int row = std::atoi(options.words[2].c_str());
  DWORD_PTR result = 0;
  // LB_SETCURSEL carries no pointer: it works across processes.
  if (!SendMessageTimeoutA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0, SMTO_NORMAL,
                           options.timeoutMs, &result) ||
      static_cast<LRESULT>(result) != row) {
    return {false, "row " + options.words[2] + " cannot be selected"};
  }
  return StateAfterQueue(AskedWindow(options, window), options, hook);
}

Outcome Menu(const Options& options, HookClient& hook) {
  std::string error;
  HWND main = UsableMainWindow(options, error);
  if (main == nullptr) {
    return {false, error};
  }
  const auto before = hook.Describe(main, options.timeoutMs);
  if (!before) {
    return {false, "the program did not describe its menu"};
  }
  const auto state = ParseJson(*before);
  if (!state) {
    return {false, "unreadable answer from the hook"};
  }
  const std::string& caption = options.words[1];
  const JsonValue* item = FindMenuItem((*state)["main"]["menu"], caption);
  if (item == nullptr) {
    return {false, "no menu item \"" + caption + "\""};
  }
  if ((*item)["disabled"].boolean) {
    return {false, "the menu item \"" + caption + "\" is disabled"};
  }
  // What the menu itself posts when the item is chosen.
  PostMessageA(main, WM_COMMAND, MAKEWPARAM((*item)["id"].number, 0), 0);
  return StateAfterQueue(main, options, hook);
}

Outcome MouseClick(const Options& options, HookClient&) {
  std::string error;
  HWND main = UsableMainWindow(options, error);
  if (main == nullptr) {
    return {false, error};
  }
  const int id = std::atoi(options.words[1].c_str());
  HWND control = FindDescendantById(main, id);
  if (control == nullptr || !IsWindowVisible(control)) {
    return {false, "no visible control " + options.words[1]};
  }
  RECT rect;
  GetWindowRect(control, &rect);
  const int x = (rect.left + rect.right) / 2;
  const int y = (rect.top + rect.bottom) / 2;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  SetForegroundWindow(main);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    // Absolute positions run from 0 to 65536 across the screen; round up so
    // that scaling back lands on the pixel itself.
    input.mi.dx = (x * 65536 + width - 1) / width;
    input.mi.dy = (y * 65536 + height - 1) / height;
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  if (SendInput(3, inputs, sizeof(INPUT)) != 3) {
    return {false, "SendInput failed"};
  }
  return {true, "clicked at " + std::to_string(x) + "," + std::to_string(y)};
}

Outcome Close(const Options& options, HookClient&) {
  std::string error;
  HWND main = UsableMainWindow(options, error);
  if (main == nullptr) {
    return {false, error};
  }
  // What the close box sends.
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  return {true, "closing"};
}

}  // namespace e2e
