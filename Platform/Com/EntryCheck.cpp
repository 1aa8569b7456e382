// The read-back of an entry: libzip's view of the archive against what was handed to it.
#include "Platform/Com/EntryCheck.h"

#include "Platform/Com/Archive.h"

#include <cerrno>
#include <cstring>

namespace Platform::Com {

namespace {

constexpr zip_uint64_t kNeeded =
    ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;

bool matches(const zip_stat_t& found, const PackedEntry& entry) {
    return (found.valid & kNeeded) == kNeeded && std::strcmp(found.name, entry.name.c_str()) == 0 &&
           found.size == entry.size && found.comp_size == entry.compressedSize && found.crc == entry.crc &&
           found.comp_method == entry.method;
}

// The errno of a failed open when the system gave one; any other failure is a damaged archive.
int openFailure(const zip_error_t& error) {
    const int systemError = zip_error_code_system(&error);
    return zip_error_system_type(&error) == ZIP_ET_SYS && systemError != 0 ? systemError : EUCLEAN;
}

zip_t* openChecked(const std::string& path, int& failure) {
    ZipError error;
    zip_source_t* file = zip_source_file_create(path.c_str(), 0, -1, error.get());
    zip_t* archive =
        file != nullptr ? zip_open_from_source(file, ZIP_RDONLY | ZIP_CHECKCONS, error.get()) : nullptr;
    if (archive == nullptr) {
        zip_source_free(file);
        failure = openFailure(*error.get());
    }
    return archive;
}

} // namespace

int checkEntryReadsBack(const std::string& archivePath, const PackedEntry& entry) {
    int failure = 0;
    zip_t* archive = openChecked(archivePath, failure);
    if (archive == nullptr)
        return failure;
    const zip_int64_t index = locateEntry(archive, entry.name);
    zip_stat_t found;
    const bool readsBack =
        index >= 0 &&
        zip_stat_index(archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW, &found) == 0 &&
        matches(found, entry);
    zip_discard(archive);
    return readsBack ? 0 : EUCLEAN;
}

} // namespace Platform::Com
