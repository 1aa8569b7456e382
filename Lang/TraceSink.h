// The process-wide sink that receives every trace line.
#pragma once

#include <string>

namespace Lang {

// One instance per process, created on first use. It discards every line: tracing is silent.
class TraceSink {
public:
    static TraceSink& instance();

    TraceSink(const TraceSink&) = delete;
    TraceSink& operator=(const TraceSink&) = delete;

    void write(const std::string& line);
    void write(const std::u16string& line);

private:
    TraceSink() = default;
};

} // namespace Lang
