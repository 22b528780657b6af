#pragma once

namespace platform {

// Keeps memory the process frees for its next allocations instead of handing
// it back at once: a read of a command file allocates and frees a few hundred
// kilobytes, and faulting them in afresh each time costs more than the read.
// Does nothing where the C library has no such setting.
void keepFreedMemory();

} // namespace platform
