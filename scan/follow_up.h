// One more scan after the restart a run asks for or needs (a server find, a
// file deleted only at the restart): the program's verified copy in the data
// tree's Program folder, started once with /afterrestart, checks that the
// family is gone and that it stays gone, and never restarts again.
#pragma once

#include <string>

#include "scan/scan_context.h"

namespace dizi {

class Platform;
struct SystemPaths;

// The longest command line the task scheduler takes for a task, and that a
// RunOnce value may hold.
inline constexpr std::size_t kLongestFollowUpCommand = 261;

// The way a run in the window arranges its follow-up: the user's RunOnce
// value, whose program Windows starts at the user's next sign-in, shows what
// it found; but a program that needs elevation is not started from there
// when the rights came from an elevation the user agreed to (Vista and later
// with User Account Control), so then a start-up task of the system instead.
FollowUp WindowFollowUpWay(Platform& platform);

// How the run `runId` is to arrange its follow-up `way`: the command line of
// the verified copy of the program (paths.ProgramCopy) with /afterrestart:<run
// id>, and /silent for a start-up task, which nobody sees. A report folder
// given (`reportFolder`, ending in a backslash) is passed on as /report:, so
// that the follow-up's report lands beside the first, unless its path would
// need quotes or make the command line too long (the plan's note then says
// so). Without a verified copy there is no way, only the note why.
FollowUpPlan PlanFollowUp(const SystemPaths& paths, const std::string& runId, FollowUp way,
                          const std::string& reportFolder);

// True when the scan so far asks for a restart or needs one: a server file
// was found (its restart wanted or held back) or a file is deleted only at
// the restart. Only a scan that removes (ScanMode::Clean) does.
bool NeedsFollowUp(const ScanContext& context);

// Arranges the plan's follow-up (for a start-up task, with the system's task
// scheduler tool, waited for; for RunOnce, the user's RunOnce value), logs
// what was arranged or why nothing could be, and notes it in the result.
void ArrangeFollowUp(ScanContext& context);

// For the follow-up itself: removes the start-up task that started it, so
// that it runs once; logs that it did.
void RemoveFollowUpTask(ScanContext& context);

}  // namespace dizi
