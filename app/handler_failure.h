// An exception cannot pass through the system's code between the event loop
// and a window procedure. A window procedure hands it over here instead; the
// program's own code throws it again once the system has returned, so that the
// entry shows it in the program's exception box.
#pragma once

namespace dizi {

// Keeps the exception being handled (the first one only) and asks the event
// loop to end. Call it from a catch block.
void KeepHandlerFailure() noexcept;

// Throws the kept exception, if any, and forgets it.
void RethrowHandlerFailure();

}  // namespace dizi
