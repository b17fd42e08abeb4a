// Gives back the system tools an infection leaves disabled.
#pragma once

namespace dizi {

class ActivityLog;
class Platform;
struct SystemPaths;

// Re-enables Task Manager and the registry editor for the current user,
// copies the clean msconfig.exe shipped beside the program over the system's
// copy, starts the shipped repair program, and logs four lines. Nothing it
// starts is waited for.
void FixUpSystemTools(Platform& platform, const SystemPaths& paths, ActivityLog& log);

}  // namespace dizi
