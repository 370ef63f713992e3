#pragma once
// How the process's heap treats freed memory.

namespace platform {

// Every keystroke in the upper window builds and drops texts of a few hundred
// KB to a few MB. By default the C library hands such memory back to the
// system at once and faults it in again at the next keystroke, which costs
// more than the conversion itself on long texts; this keeps it for reuse.
void KeepFreedMemoryForReuse();

}  // namespace platform
