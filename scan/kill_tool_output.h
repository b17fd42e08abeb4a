// What the kill tool (kill.exe) tells the scan on its standard output, one
// line per process. Only one kind of line is meant for the scan:
//
//   kill: not ended: process <id>
//
// for every process the tool identified as running the file it was given,
// found to be neither one of Windows' own programs nor marked critical, and
// could not end. <id> is the process id in decimal (1 to 4294967295, digits
// only); the line ends with LF or CR LF. Every other line (what the tool
// ended, what it left alone and why) is for people and is not read. The scan
// ends those processes, and only those, with the system's task-kill tool.
#pragma once

#include <string_view>
#include <vector>

namespace dizi {

constexpr std::string_view kNotEndedLinePrefix = "kill: not ended: process ";

// The process ids of every well-formed "not ended" line of `output`, once
// each, in the order first given. A line with anything else on it (a sign,
// blanks, a zero or an id beyond 32 bits) is not one, and neither is a last
// line cut off before its end.
std::vector<unsigned long> NotEndedProcesses(std::string_view output);

}  // namespace dizi
