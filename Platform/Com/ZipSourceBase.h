// The part every libzip function source here shares: its error record, and the commands that
// report the error and free the source.
#pragma once

#include <zip.h>

namespace Platform::Com {

// A source's state, made with new and handed to zip_source_function with `call`; libzip deletes it
// through ZIP_SOURCE_FREE. Derived classes answer the other commands in `handle`.
class ZipSourceBase {
public:
    ZipSourceBase(const ZipSourceBase&) = delete;
    ZipSourceBase& operator=(const ZipSourceBase&) = delete;

    static zip_int64_t call(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto* source = static_cast<ZipSourceBase*>(state);
        switch (command) {
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->m_error, data, length);
        case ZIP_SOURCE_FREE:
            delete source;
            return 0;
        default:
            return source->handle(data, length, command);
        }
    }

protected:
    ZipSourceBase() { zip_error_init(&m_error); }
    virtual ~ZipSourceBase() { zip_error_fini(&m_error); }

    zip_int64_t fail(int zipError, int systemError) {
        zip_error_set(&m_error, zipError, systemError);
        return -1;
    }

    zip_error_t* error() { return &m_error; }

private:
    virtual zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) = 0;

    zip_error_t m_error;
};

} // namespace Platform::Com
