// Large pictures are quantized markedly faster when the C library backs its big blocks with
// 2 MiB pages: fewer page faults while the buffers fill, far fewer TLB misses in the scattered
// passes (key sort, colour memos). The C library reads that setting only when a process starts,
// so a program asks for it first thing in main, by starting itself again with it.
#pragma once

// Returns only when the setting is already in force or cannot be had; otherwise the process is
// replaced by the same program with the same arguments. Call before anything else in main.
void UseLargePages(char** argv);
