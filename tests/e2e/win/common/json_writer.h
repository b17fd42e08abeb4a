// The JSON the driver and the hook report in: the program's own writer, each
// report on one line, its texts the program's ANSI bytes written as the
// characters of the same numbers, so that a reader gets the exact bytes back by
// encoding with Latin-1.
#pragma once

#include "platform/json_writer.h"

namespace e2e {

class JsonWriter : public dizi::JsonWriter {
 public:
  JsonWriter() : dizi::JsonWriter(Layout::Compact, Texts::Bytes) {}
};

}  // namespace e2e
