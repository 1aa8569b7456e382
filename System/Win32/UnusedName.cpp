// A name for a temporary file beside another file.
#include "System/Win32/UnusedName.h"

#include "Lang/Throw.h"
#include "System/FileSystem.h"
#include "System/Win32/NameLimit.h"

#include <cstdint>
#include <random>

namespace System::Win32 {

namespace {

constexpr int kNameAttempts = 100;

// "<destination>.<eight hex digits>.tmp", a name nobody else is likely to use.
Lang::String candidateName(const Path& destination, std::uint32_t unique) {
    Lang::String name = destination.str() + u".";
    for (int shift = 28; shift >= 0; shift -= 4)
        name += u"0123456789abcdef"[(unique >> shift) & 0xF];
    return name + u".tmp";
}

} // namespace

Path unusedName(const Path& destination) {
    std::random_device entropy;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const Path candidate(candidateName(destination, entropy()));
        refuseOverlongName(candidate);
        if (!FileSystem::instance().exists(candidate))
            return candidate;
    }
    LANG_THROW(
        Lang::Exception(u"No free temporary name beside " + destination.str(), Lang::unknownLocation()));
}

} // namespace System::Win32
