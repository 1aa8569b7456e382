// Test helper: the fields of an archive's local and central headers, read from its bytes.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

struct HeaderFields {
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    // Taken from the ZIP64 extra field where the 32-bit field points there.
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::string name;
    // The data bytes of the ZIP64 extra field, when the header has one, and the 32-bit fields that point
    // there (holding 0xFFFFFFFF).
    std::optional<std::uint16_t> zip64Length;
    int zip64Pointers = 0;

    // Local and central headers agree on everything but the ZIP64 field, which differs by design.
    bool agreesWith(const HeaderFields& other) const {
        return versionNeeded == other.versionNeeded && flags == other.flags && method == other.method &&
               dosTime == other.dosTime && dosDate == other.dosDate && crc == other.crc &&
               compressedSize == other.compressedSize && size == other.size && name == other.name;
    }
};

struct ArchiveHeaders {
    std::vector<HeaderFields> central;
    std::vector<HeaderFields> local; // local[i] is the header central[i] points to
    bool zip64EndRecords = false;
};

namespace ZipHeaderParsing {

inline std::uint64_t little(const std::string& bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return value;
}

// The ZIP64 extra field among the extra fields at `at`: its data's offset and length.
inline std::optional<std::pair<std::size_t, std::uint16_t>> zip64Field(const std::string& bytes,
                                                                       std::size_t at, std::size_t length) {
    for (std::size_t field = at; field + 4 <= at + length; field += 4 + little(bytes, field + 2, 2)) {
        if (little(bytes, field, 2) == 1)
            return std::pair{field + 4, static_cast<std::uint16_t>(little(bytes, field + 2, 2))};
    }
    return std::nullopt;
}

// A local (`central` false) or central header at `at`; the fields a ZIP64 extra field extends are
// read from it in their order, each only where its 32-bit field holds 0xFFFFFFFF.
inline HeaderFields headerAt(const std::string& bytes, std::size_t at, bool central, std::uint64_t* offset) {
    const std::size_t shift = central ? 2 : 0; // the central header has "version made by" first
    HeaderFields fields;
    fields.versionNeeded = static_cast<std::uint16_t>(little(bytes, at + 4 + shift, 2));
    fields.flags = static_cast<std::uint16_t>(little(bytes, at + 6 + shift, 2));
    fields.method = static_cast<std::uint16_t>(little(bytes, at + 8 + shift, 2));
    fields.dosTime = static_cast<std::uint16_t>(little(bytes, at + 10 + shift, 2));
    fields.dosDate = static_cast<std::uint16_t>(little(bytes, at + 12 + shift, 2));
    fields.crc = static_cast<std::uint32_t>(little(bytes, at + 14 + shift, 4));
    fields.compressedSize = little(bytes, at + 18 + shift, 4);
    fields.size = little(bytes, at + 22 + shift, 4);
    const std::size_t nameLength = little(bytes, at + 26 + shift, 2);
    const std::size_t extraLength = little(bytes, at + 28 + shift, 2);
    const std::size_t fixed = central ? 46 : 30;
    fields.name = bytes.substr(at + fixed, nameLength);
    if (offset != nullptr)
        *offset = little(bytes, at + 42, 4);
    for (const std::uint64_t* value : {&fields.size, &fields.compressedSize, offset})
        fields.zip64Pointers += value != nullptr && *value == 0xFFFFFFFF ? 1 : 0;
    const auto zip64 = zip64Field(bytes, at + fixed + nameLength, extraLength);
    if (!zip64)
        return fields;
    fields.zip64Length = zip64->second;
    std::size_t next = zip64->first;
    for (std::uint64_t* value : {&fields.size, &fields.compressedSize, offset}) {
        if (value != nullptr && *value == 0xFFFFFFFF && next + 8 <= zip64->first + zip64->second) {
            *value = little(bytes, next, 8);
            next += 8;
        }
    }
    return fields;
}

} // namespace ZipHeaderParsing

// Every central header of the archive at `path` with the local header it points to; nothing when the
// end record or a header is not where the archive says.
inline std::optional<ArchiveHeaders> readHeaders(const std::string& path) {
    using namespace ZipHeaderParsing;
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::size_t end = bytes.rfind("PK\x05\x06");
    if (end == std::string::npos || end + 22 > bytes.size())
        return std::nullopt;
    ArchiveHeaders headers;
    headers.zip64EndRecords = end >= 20 && bytes.compare(end - 20, 4, "PK\x06\x07") == 0;
    std::uint64_t at = little(bytes, end + 16, 4);
    if (headers.zip64EndRecords)
        at = little(bytes, little(bytes, end - 12, 8) + 48, 8);
    try {
        for (std::uint64_t entry = 0; entry < little(bytes, end + 10, 2); ++entry) {
            if (bytes.compare(at, 4, "PK\x01\x02") != 0)
                return std::nullopt;
            std::uint64_t offset = 0;
            headers.central.push_back(headerAt(bytes, at, true, &offset));
            if (bytes.compare(offset, 4, "PK\x03\x04") != 0)
                return std::nullopt;
            headers.local.push_back(headerAt(bytes, offset, false, nullptr));
            at += 46 + little(bytes, at + 28, 2) + little(bytes, at + 30, 2) + little(bytes, at + 32, 2);
        }
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
    return headers;
}

// The largest size whose deflated data is sure to fit 32 bits; a larger file needs room for both ZIP64
// sizes in its local header.
constexpr std::uint64_t kLargestSureDeflateSize = 4293656963;

// What is wrong with the headers of the archive at `path`, one line each; empty when local and central
// headers agree and ZIP64 fields are exactly where they are needed: in the central header one value per
// 32-bit field at 0xFFFFFFFF, in the local header both sizes, and only for a file whose deflated size could
// overflow.
inline std::string headerFaults(const std::string& path) {
    const auto headers = readHeaders(path);
    if (!headers)
        return "the headers cannot be read\n";
    std::string faults;
    for (std::size_t i = 0; i < headers->central.size(); ++i) {
        const HeaderFields& central = headers->central[i];
        const HeaderFields& local = headers->local[i];
        const std::string entry = "entry " + central.name + ": ";
        if (!central.agreesWith(local))
            faults += entry + "local and central headers differ\n";
        if (central.zip64Length.value_or(0) != 8 * central.zip64Pointers ||
            central.zip64Length.has_value() != (central.zip64Pointers > 0))
            faults += entry + "the central ZIP64 field does not match its 32-bit fields\n";
        // The 32-bit fields point to it only where a size does not fit them; below that the field is room
        // that went unused.
        const bool localNeeded = central.size > kLargestSureDeflateSize;
        const bool overflows = central.size >= 0xFFFFFFFF || central.compressedSize >= 0xFFFFFFFF;
        if (local.zip64Length.has_value() != localNeeded || local.zip64Length.value_or(16) != 16 ||
            local.zip64Pointers != (overflows ? 2 : 0))
            faults += entry + "the local ZIP64 field is not exactly where a size could overflow\n";
    }
    return faults;
}
