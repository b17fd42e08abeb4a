// What the autostart matching asks of the machine it runs on: the program's
// answers come from Windows, the tests' from a table.
#pragma once

#include "fservice/wide_buffer.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

class MachineLookup {
 public:
  // Appends the value of environment variable `name` to `out`; false when the
  // variable is not set.
  virtual bool AppendVariable(WideView name, WideBuffer& out) const;
  // Appends the long form of `path`, a full local path, to `out`; false when
  // the path does not exist (or is not a local one).
  virtual bool AppendLongPath(WideView path, WideBuffer& out) const;

 protected:
  ~MachineLookup() = default;
};

// Appends `text` to `out` with each %NAME% of a set variable replaced by its
// value, as ExpandEnvironmentStrings does: the name of a variable that is not
// set, and a % without a partner, stay as they are. False when out of memory.
bool AppendExpanded(WideView text, const MachineLookup& machine, WideBuffer& out);

}  // namespace dizi::tools
