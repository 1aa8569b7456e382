// The byte stream interface: a counted object that reads, writes, seeks, flushes and sizes.
#pragma once

#include "Lang/Throw.h"
#include "Mem/RefCount.h"

#include <cstddef>

namespace System::Io {

// A stream of `Unit`s; the counting operations are left to the object's Rc wrapper.
template <class Unit>
class BasicStream : public Rc::IRefCount {
public:
    virtual void close() noexcept = 0;
    // Reads up to `count` units; returns how many were read (0 at the end).
    virtual int read(void* buffer, int count) = 0;
    // Writes `count` units; returns how many were written.
    virtual int write(const void* data, int count) = 0;
    // Moves the position; `origin` 0 from the start, 1 from the current position, 2 from the end.
    virtual long long seek(long long offset, int origin) = 0;
    virtual void flush() = 0;
    virtual void setSize(long long size) = 0;

protected:
    ~BasicStream() = default;
};

// A count given to read or write as the unsigned size it stands for; a negative count would stand
// for more than any buffer holds, so it is refused.
inline std::size_t checkedCount(int count) {
    if (count < 0)
        LANG_THROW(Lang::Exception(u"negative byte count", Lang::unknownLocation()));
    return static_cast<std::size_t>(count);
}

} // namespace System::Io
