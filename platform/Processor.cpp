#include "platform/Processor.h"

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <sched.h>
#endif

namespace platform {

void keepOnThisProcessor(std::int64_t pid)
{
    // No process: 0 would stand for this one.
    if (pid <= 0) {
        return;
    }
#ifdef _WIN32
    // A mask reaches the first 64 processors of the process's group only.
    const DWORD processor = GetCurrentProcessorNumber();
    const HANDLE process = OpenProcess(PROCESS_SET_INFORMATION, FALSE, DWORD(pid));
    if (!process) {
        return;
    }
    if (processor < 64) {
        SetProcessAffinityMask(process, DWORD_PTR{1} << processor);
    }
    CloseHandle(process);
#elif defined(__linux__)
    const int processor = sched_getcpu();
    if (processor < 0) {
        return;
    }
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(processor, &only);
    sched_setaffinity(pid_t(pid), sizeof only, &only);
#endif
}

} // namespace platform
