// Reading the end records and the central directory of an archive, and writing back a directory whose
// empty ZIP64 extra fields hold the values their 32-bit fields point to.
#include "Platform/Com/Zip64Fields.h"

#include "Platform/Retried.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace Platform::Com {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kInExtraField = 0xFFFFFFFF;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::size_t kLocatorSize = 20;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kExtraHeaderSize = 4;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
// Where a central header keeps the 32-bit values a ZIP64 extra field extends, in the field's order.
constexpr std::size_t kExtendedFields[] = {24, 20, 42}; // uncompressed size, compressed size, offset
constexpr char kEndSignature[] = "PK\x05\x06";
constexpr char kLocatorSignature[] = "PK\x06\x07";
constexpr char kZip64EndSignature[] = "PK\x06\x06";
constexpr char kCentralSignature[] = "PK\x01\x02";

std::uint64_t readLittle(const Bytes& bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

void writeLittle(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void appendLittle(Bytes& bytes, std::uint64_t value, int width) {
    bytes.resize(bytes.size() + static_cast<std::size_t>(width));
    writeLittle(bytes, bytes.size() - static_cast<std::size_t>(width), value, width);
}

bool hasSignature(const Bytes& bytes, std::size_t at, const char* signature) {
    return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, signature, 4) == 0;
}

// `size` bytes at `offset`; nothing on a read error (errno set) or a short file (errno 0).
std::optional<Bytes> readAt(int file, std::uint64_t offset, std::size_t size) {
    Bytes bytes(size);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = retried([&] {
            return ::pread(file, bytes.data() + filled, size - filled, static_cast<off_t>(offset + filled));
        });
        if (got <= 0) {
            if (got == 0)
                errno = 0;
            return std::nullopt;
        }
        filled += static_cast<std::size_t>(got);
    }
    return bytes;
}

bool writeAt(int file, std::uint64_t offset, const Bytes& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = retried([&] {
            return ::pwrite(file, bytes.data() + written, bytes.size() - written,
                            static_cast<off_t>(offset + written));
        });
        if (count < 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

// Where the end records say the central directory is, and where they stand.
struct Layout {
    std::uint64_t directoryOffset = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t endRecord = 0;
    std::optional<std::uint64_t> zip64EndRecord;
};

// The end record is the last "PK\5\6" whose comment reaches exactly to the end of the file.
std::optional<std::uint64_t> findEndRecord(const Bytes& tail, std::uint64_t tailOffset) {
    for (std::size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
        if (hasSignature(tail, at, kEndSignature) &&
            at + kEndRecordSize + readLittle(tail, at + 20, 2) == tail.size())
            return tailOffset + at;
    }
    return std::nullopt;
}

// Nothing when the end records cannot be found; errno tells a read error from an unknown layout.
std::optional<Layout> readLayout(int file, std::uint64_t fileSize) {
    errno = 0;
    const std::size_t tailSize = static_cast<std::size_t>(
        std::min<std::uint64_t>(fileSize, kEndRecordSize + kLongestComment + kLocatorSize));
    if (tailSize < kEndRecordSize)
        return std::nullopt;
    const auto tail = readAt(file, fileSize - tailSize, tailSize);
    const auto endRecord = tail ? findEndRecord(*tail, fileSize - tailSize) : std::nullopt;
    if (!endRecord)
        return std::nullopt;
    const std::size_t end = static_cast<std::size_t>(*endRecord - (fileSize - tailSize));
    Layout layout{readLittle(*tail, end + 16, 4), readLittle(*tail, end + 12, 4), *endRecord, std::nullopt};
    if (end < kLocatorSize || !hasSignature(*tail, end - kLocatorSize, kLocatorSignature))
        return layout;
    const std::uint64_t zip64End = readLittle(*tail, end - kLocatorSize + 8, 8);
    const auto record = readAt(file, zip64End, kZip64EndRecordSize);
    if (!record || !hasSignature(*record, 0, kZip64EndSignature))
        return std::nullopt;
    layout.directorySize = readLittle(*record, 40, 8);
    layout.directoryOffset = readLittle(*record, 48, 8);
    layout.zip64EndRecord = zip64End;
    return layout;
}

// The ZIP64 values for the central header at `header` whose ZIP64 extra field holds none: every
// 32-bit field that points there holds exactly 0xFFFFFFFF.
Bytes missingValues(const Bytes& directory, std::size_t header) {
    Bytes values;
    for (const std::size_t field : kExtendedFields) {
        if (readLittle(directory, header + field, 4) == kInExtraField)
            appendLittle(values, kInExtraField, 8);
    }
    return values;
}

void appendRange(Bytes& out, const Bytes& bytes, std::size_t from, std::size_t to) {
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

// Copies the extra fields of the central header at `header`, from `first` to `end`, to `out`, with an
// empty ZIP64 field filled.
void copyExtraFields(const Bytes& directory, std::size_t header, std::size_t first, std::size_t end,
                     Bytes& out) {
    std::size_t at = first;
    for (; at + kExtraHeaderSize <= end; at += kExtraHeaderSize + readLittle(directory, at + 2, 2)) {
        const std::size_t size = readLittle(directory, at + 2, 2);
        appendRange(out, directory, at, std::min(at + kExtraHeaderSize + size, end));
        if (readLittle(directory, at, 2) != kZip64ExtraId || size != 0)
            continue;
        const Bytes values = missingValues(directory, header);
        writeLittle(out, out.size() - 2, values.size(), 2);
        out.insert(out.end(), values.begin(), values.end());
    }
    // Bytes too few for another field.
    appendRange(out, directory, std::min(at, end), end);
}

// Copies the central header at `header` to `out`, with its empty ZIP64 extra field filled; the offset
// of the next header, or nothing when the directory does not read as one.
std::optional<std::size_t> copyCompletedEntry(const Bytes& directory, std::size_t header, Bytes& out) {
    if (!hasSignature(directory, header, kCentralSignature) || header + kCentralHeaderSize > directory.size())
        return std::nullopt;
    const std::size_t nameSize = readLittle(directory, header + 28, 2);
    const std::size_t extraSize = readLittle(directory, header + 30, 2);
    const std::size_t commentSize = readLittle(directory, header + 32, 2);
    const std::size_t extras = header + kCentralHeaderSize + nameSize;
    const std::size_t comment = extras + extraSize;
    if (comment + commentSize > directory.size())
        return std::nullopt;
    const std::size_t start = out.size();
    appendRange(out, directory, header, extras);
    copyExtraFields(directory, header, extras, comment, out);
    writeLittle(out, start + 30, out.size() - (start + kCentralHeaderSize + nameSize), 2);
    appendRange(out, directory, comment, comment + commentSize);
    return comment + commentSize;
}

std::optional<Bytes> completedDirectory(const Bytes& directory) {
    Bytes completed;
    completed.reserve(directory.size());
    for (std::size_t header = 0; header < directory.size();) {
        const auto next = copyCompletedEntry(directory, header, completed);
        if (!next)
            return std::nullopt;
        header = *next;
    }
    return completed;
}

// The end records, which follow the directory, with the directory's new size and their new places.
void moveEndRecords(Bytes& records, const Layout& layout, std::uint64_t newSize) {
    const std::uint64_t directoryEnd = layout.directoryOffset + layout.directorySize;
    const std::uint64_t growth = newSize - layout.directorySize;
    const std::size_t end = static_cast<std::size_t>(layout.endRecord - directoryEnd);
    if (readLittle(records, end + 12, 4) != kInExtraField)
        writeLittle(records, end + 12, newSize, 4);
    if (!layout.zip64EndRecord)
        return;
    writeLittle(records, static_cast<std::size_t>(*layout.zip64EndRecord - directoryEnd) + 40, newSize, 8);
    writeLittle(records, end - kLocatorSize + 8, *layout.zip64EndRecord + growth, 8);
}

} // namespace

bool completeZip64Fields(int file) {
    struct stat info {};
    if (::fstat(file, &info) != 0)
        return false;
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    const auto layout = readLayout(file, fileSize);
    if (!layout)
        return errno == 0;
    const std::uint64_t directoryEnd = layout->directoryOffset + layout->directorySize;
    const std::uint64_t recordsStart = layout->zip64EndRecord.value_or(layout->endRecord);
    if (directoryEnd != recordsStart)
        return true;
    const auto directory =
        readAt(file, layout->directoryOffset, static_cast<std::size_t>(layout->directorySize));
    if (!directory)
        return errno == 0;
    auto completed = completedDirectory(*directory);
    if (!completed || completed->size() == directory->size())
        return true;
    auto records = readAt(file, directoryEnd, static_cast<std::size_t>(fileSize - directoryEnd));
    if (!records)
        return errno == 0;
    moveEndRecords(*records, *layout, completed->size());
    completed->insert(completed->end(), records->begin(), records->end());
    return writeAt(file, layout->directoryOffset, *completed);
}

} // namespace Platform::Com
