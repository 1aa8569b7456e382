// Tests of what the stand-ins report when permission is denied. Mode bits deny nothing to root, so
// under root each call runs in a forked child that has dropped to the unprivileged user 65534.
#include "Platform/Crt.h"
#include "Platform/Windows.h"
#include "tests/Platform/AsNobody.h"

#include "tests/Platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace {

// What `call` returns where permission bits bind; nothing when privileges cannot be dropped.
std::optional<std::uint32_t> runUnprivileged(const std::function<std::uint32_t()>& call) {
    if (::geteuid() != 0) {
        return call();
    }
    int channel[2];
    if (::pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (dropToNobody()) {
            const std::uint32_t result = call();
            const ssize_t written = ::write(channel[1], &result, sizeof result);
            ::_exit(written == sizeof result ? 0 : 1);
        }
        ::_exit(1);
    }
    ::close(channel[1]);
    std::uint32_t result = 0;
    const bool received = child > 0 && ::read(channel[0], &result, sizeof result) == sizeof result;
    ::close(channel[0]);
    if (child > 0) {
        ::waitpid(child, nullptr, 0);
    }
    return received ? std::optional<std::uint32_t>(result) : std::nullopt;
}

std::uint32_t lastErrorAfter(bool succeeded) {
    return succeeded ? ERROR_SUCCESS : GetLastError();
}

TEST(PlatformPermissionTest, DeniedAccessIsReportedAsSuch) {
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    writeFile(folder.posix("secret"), "abc");
    ASSERT_EQ(::chmod(folder.posix("secret").c_str(), 0), 0);
    ASSERT_EQ(::mkdir(folder.posix("locked").c_str(), 0700), 0);
    writeFile(folder.posix("locked/file"), "abc");
    ASSERT_EQ(::mkdir(folder.posix("readonly").c_str(), 0755), 0);
    writeFile(folder.posix("readonly/file"), "abc");
    ASSERT_EQ(::chmod(folder.posix("readonly").c_str(), 0555), 0);

    const std::u16string secret = folder.win32("secret");
    const std::u16string locked = folder.win32("locked/file");
    const std::u16string readonly = folder.win32("readonly/file");
    struct Case {
        const char* name;
        std::function<std::uint32_t()> call;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"attributes behind a locked folder",
         [&] { return lastErrorAfter(GetFileAttributesW(locked.c_str()) != INVALID_FILE_ATTRIBUTES); },
         ERROR_ACCESS_DENIED},
        {"reading an unreadable file",
         [&] {
             return lastErrorAfter(CreateFileW(secret.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                               nullptr) != INVALID_HANDLE_VALUE);
         },
         ERROR_ACCESS_DENIED},
        {"information on an unreadable file",
         [&] {
             return lastErrorAfter(CreateFileW(secret.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr) !=
                                   INVALID_HANDLE_VALUE);
         },
         ERROR_SUCCESS},
        {"deleting in a read-only folder",
         [&] { return lastErrorAfter(DeleteFileW(readonly.c_str()) == TRUE); }, ERROR_ACCESS_DENIED},
        {"searching a locked folder",
         [&] {
             WIN32_FIND_DATAW data{};
             return lastErrorAfter(FindFirstFileW(folder.win32("locked/*").c_str(), &data) !=
                                   INVALID_HANDLE_VALUE);
         },
         ERROR_ACCESS_DENIED},
        {"runtime-library open of an unreadable file",
         [&] {
             int error = 0;
             return _wfsopen(secret.c_str(), u"rb", _SH_DENYNO) == nullptr && _get_errno(&error) == 0
                        ? static_cast<std::uint32_t>(error)
                        : 0u;
         },
         13},
    };
    for (const Case& c : cases) {
        const auto result = runUnprivileged(c.call);
        if (!result) {
            GTEST_SKIP() << "cannot drop root privileges here (setuid to 65534 refused)";
        }
        EXPECT_EQ(*result, c.expected) << c.name;
    }
    ASSERT_EQ(::chmod(folder.posix("readonly").c_str(), 0755), 0);
}

} // namespace
