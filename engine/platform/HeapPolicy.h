#pragma once

// Freed heap memory stays with the process: the heap's top is not handed back
// to the kernel at each free, blocks of up to 32 MB come from the heap rather
// than from a mapping of their own, and the heap grows 64 MB at a time. On a
// virtual machine a page fault or a break call costs more than the work of
// loading a database or applying a server message, and each handing back
// brought both again at the next allocation. Called first in main (the
// benchmarks call it too, to measure the program as it runs). True when the
// policy is set (on glibc).
bool keepHeapMemory();
