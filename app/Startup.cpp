// The runtime start-up: calls the entry and ends the process when a failure leaves it.
//
// The executable is linked with --wrap=main, so the C runtime starts here and the entry is reached
// as __real_main. An exception leaving the entry is caught at the very top, after the stack has
// unwound and every scope object of the operation has been released; the process then writes one
// line to standard error and ends with status 3 (128 + the signal's number for a run that Ctrl-C, TERM
// or HUP asked to end), without exit-time destructors or a signal.
#include "Platform/Interruption.h"
#include "app/UncaughtLine.h"

#include <csignal>
#include <exception>
#include <string>
#include <unistd.h>

extern "C" int __real_main(int argc, char** argv);

namespace {

constexpr int kAbnormalEnd = 3;

std::string describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return App::uncaughtLine(e.what());
    } catch (...) {
        return App::uncaughtLine("Unknown Exception");
    }
}

void writeAll(const std::string& text) {
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + written, text.size() - written);
        if (n <= 0)
            return;
        written += static_cast<std::size_t>(n);
    }
}

// A run ended because a signal asked it to ends with 128 + the signal's number, as shells expect.
[[noreturn]] void endAbnormally(std::exception_ptr failure) {
    writeAll(failure ? describe(failure) : App::uncaughtLine("terminate called without an exception"));
    const int signal = Platform::interruption();
    ::_exit(signal != 0 ? 128 + signal : kAbnormalEnd);
}

// Ctrl-C, TERM and HUP end the run like a failure, cleaned up: the handler only notes the signal, and
// the work that asks for it fails. Calls go on where they were (SA_RESTART). A signal the caller
// ignores (nohup, a script's trap '' INT) stays ignored.
void endRunsOnRequest() {
    struct sigaction action {};
    action.sa_handler = Platform::noteInterruption;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

// Failures that escape elsewhere (another thread, a noexcept boundary) end the same way.
[[noreturn]] void onTerminate() {
    endAbnormally(std::current_exception());
}

} // namespace

extern "C" int __wrap_main(int argc, char** argv) {
    std::set_terminate(onTerminate);
    // A write beyond the file-size limit (ulimit -f) then fails with EFBIG and is reported and cleaned up
    // as any failed write, instead of the signal killing the process halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    endRunsOnRequest();
    try {
        return __real_main(argc, argv);
    } catch (...) {
        endAbnormally(std::current_exception());
    }
}
