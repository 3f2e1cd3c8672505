// Process-wide allocator settings for the program's entry points.
#pragma once

namespace vantrel {

// List images are built on several threads, each reading and freeing
// drawings of a few hundred kilobytes. With the C library's defaults every
// such table is mapped and unmapped on its own, and the page faults and
// unmaps serialise the threads in the kernel. Keeping freed memory for
// reuse removes that; call once at start-up, before any thread starts.
void KeepFreedMemoryForReuse();

}  // namespace vantrel
