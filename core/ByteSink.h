#pragma once
// Where written bytes go: a file being replaced, a test's record of the writes.
#include <cstddef>

namespace mizel {

class ByteSink
{
public:
    // All of data, or false.
    virtual bool write(const char *data, std::size_t length) = 0;

protected:
    ~ByteSink() = default;
};

} // namespace mizel
