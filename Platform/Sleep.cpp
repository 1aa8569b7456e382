// Sleep: suspends the calling thread; like its Win32 namesake it leaves the last error alone.
#include "Platform/Windows.h"

#include <chrono>
#include <thread>

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
