// Temporary files beside the files a run is about, under names of their own.
#include "System/Win32/TemporaryName.h"

#include "Lang/Throw.h"
#include "System/Win32/NameLimit.h"

#include <cstdint>
#include <random>

namespace System::Win32 {

namespace {

constexpr int kNameAttempts = 100;

// "zipfile-<eight hex digits>.tmp": it names the program that left it, and nobody else is likely to use it.
Lang::String candidateName(std::uint32_t unique) {
    Lang::String name = u"zipfile-";
    for (int shift = 28; shift >= 0; shift -= 4)
        name += u"0123456789abcdef"[(unique >> shift) & 0xF];
    return name + u".tmp";
}

} // namespace

Path createUnderTemporaryName(const Path& folder, const std::function<bool(const Path& name)>& create) {
    std::random_device entropy;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const Path candidate = folder / candidateName(entropy());
        refuseOverlongName(candidate);
        if (create(candidate))
            return candidate;
    }
    LANG_THROW(Lang::Exception(u"No free temporary name in " + folder.str(), Lang::unknownLocation()));
}

} // namespace System::Win32
