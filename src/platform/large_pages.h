// Large pictures are quantized markedly faster when the C library backs its big blocks with
// 2 MiB pages: fewer page faults while the buffers fill, far fewer TLB misses in the scattered
// passes (key sort, colour memos). The C library reads that setting only when a process starts,
// so a program asks for it first thing in main, by starting itself again with it. The same start
// has blocks of 4 MiB and more mapped on their own, so that they go back to the system when
// freed instead of leaving room in the heap that the next blocks may not fit.
#pragma once

// Returns only when the setting is already in force or cannot be had; otherwise the process is
// replaced by the same program with the same arguments. Call before anything else in main.
void UseLargePages(char** argv);
