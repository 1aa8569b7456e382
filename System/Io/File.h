// A byte stream over a stdio file, opened by Win32 path with a disposition, an access and a sharing mode.
#pragma once

#include "Lang/String.h"
#include "System/Io/BasicStream.h"
#include "System/Io/OpenParameters.h"
#include "System/Path.h"

#include <cstdint>
#include <cstdio>

namespace System::Io {

// Closed until open() succeeds; created as Rc::Heap<File> or Rc::Local<File>, whose destruction closes it.
class File : public BasicStream<unsigned char> {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Checks the disposition's existence rule and the access before anything on disk changes;
    // CreateAlways then deletes an existing file. Throws "File already open" when open.
    void open(const Path& path, const OpenDisposition& disposition, const AccessMode& access,
              const ShareMode& share, OpenFlags flags);

    void close() noexcept override;
    int read(void* buffer, int count) override;
    int write(const void* data, int count) override;
    // From the start, returns `offset` without asking for the position.
    long long seek(long long offset, int origin) override;
    void flush() override;
    // Truncates or extends the file to `size` bytes and leaves the position there.
    void setSize(long long size) override;

    virtual bool isOpen() const;
    virtual bool eof();
    // The size on disk of the file at the opened path, open or not; the empty path after close() throws.
    virtual std::uint64_t getSize();
    // The access of the open file; 0 when closed.
    virtual AccessMode getAccessMode() const;

protected:
    ~File();

private:
    Path m_path;
    AccessMode m_access{};
    std::FILE* m_file = nullptr;
};

// Refuses CreateNew on an existing name, and OpenExisting or TruncateExisting without a file.
void verifyOpenRequirements(const Path& path, const OpenDisposition& disposition);

// The stdio mode for the access, the disposition and the Append flag; throws "Illegal Open Mode"
// for an access outside Read, Write and ReadWrite, and for Read with CreateAlways, which would
// delete the file it is to read. CreateNew writes only to a file the open itself creates ("x"): one that
// took the name after verifyOpenRequirements is never opened.
Lang::String buildModeString(const Path& path, const OpenDisposition& disposition, const AccessMode& access,
                             const OpenFlags& flags);

} // namespace System::Io
