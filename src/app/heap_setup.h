// How the process's heap is set up for a run.
#ifndef CLUDEMAP_APP_HEAP_SETUP_H_
#define CLUDEMAP_APP_HEAP_SETUP_H_

// Prepares the C library's heap for a run that makes tens of megabytes of
// small allocations from several threads and frees little before the
// process ends. Where the system allows (glibc on Linux), the heap reserves
// a large address range at once and asks for it to be backed by huge pages,
// so that the memory costs a page fault per 2 MB instead of per 4 KB;
// elsewhere, and wherever a step fails, the heap stays as it was. Only the
// allocator's policy changes, never what the program computes. Call once per
// process, before the run allocates and starts threads.
void prepareHeapForRun();

#endif  // CLUDEMAP_APP_HEAP_SETUP_H_
