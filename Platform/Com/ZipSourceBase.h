// The part every libzip function source here shares: its error record, and the commands that
// report the error and free the source.
#pragma once

#include <zip.h>

#include <new>
#include <utility>

namespace Platform::Com {

// A source's state, made by `create` and handed to libzip with `call`; libzip deletes it through
// ZIP_SOURCE_FREE. Derived classes answer the other commands in `handle`. No exception crosses into
// libzip: one that leaves `handle` fails the command, std::bad_alloc as ZIP_ER_MEMORY, any other as
// ZIP_ER_INTERNAL.
class ZipSourceBase {
public:
    ZipSourceBase(const ZipSourceBase&) = delete;
    ZipSourceBase& operator=(const ZipSourceBase&) = delete;

    // A libzip source of a new `Source` made from `arguments`; null, with `error` set, when either cannot
    // be made.
    template <class Source, class... Arguments>
    static zip_source_t* create(zip_error_t* error, Arguments&&... arguments) noexcept {
        ZipSourceBase* state = nullptr;
        try {
            state = new Source(std::forward<Arguments>(arguments)...);
        } catch (const std::bad_alloc&) {
            zip_error_set(error, ZIP_ER_MEMORY, 0);
            return nullptr;
        }
        zip_source_t* source = zip_source_function_create(&call, state, error);
        if (source == nullptr)
            delete state;
        return source;
    }

    static zip_int64_t call(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) noexcept {
        auto* source = static_cast<ZipSourceBase*>(state);
        switch (command) {
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->m_error, data, length);
        case ZIP_SOURCE_FREE:
            delete source;
            return 0;
        default:
            return source->guardedHandle(data, length, command);
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

    zip_int64_t guardedHandle(void* data, zip_uint64_t length, zip_source_cmd_t command) noexcept {
        try {
            return handle(data, length, command);
        } catch (const std::bad_alloc&) {
            return fail(ZIP_ER_MEMORY, 0);
        } catch (...) {
            return fail(ZIP_ER_INTERNAL, 0);
        }
    }

    zip_error_t m_error;
};

} // namespace Platform::Com
