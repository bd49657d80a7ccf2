#pragma once
// The list exports as the tests see them: every write kept apart.
#include "ListExport.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

// Keeps every write separately, and can refuse the write numbered failAt.
class RecordingSink : public mizel::ByteSink
{
public:
    explicit RecordingSink(int failAt = -1) : failAt(failAt) {}

    std::vector<std::string> writes;
    std::string all() const { return std::accumulate(writes.begin(), writes.end(), std::string()); }

    bool write(const char *data, std::size_t length) override
    {
        if (int(writes.size()) == failAt)
            return false;
        writes.emplace_back(data, length);
        return true;
    }

private:
    int failAt;
};

inline std::string written(mizel::ValueList list, mizel::ListFormat format)
{
    RecordingSink sink;
    EXPECT_TRUE(mizel::writeList(sink, list, format));
    return sink.all();
}

inline std::string textFormat(const mizel::ValueList &list)
{
    const mizel::ListText text(list);
    std::string bytes(text.length(), '\0');
    text.write(bytes.data());
    return bytes;
}

inline mizel::ValueList ascending(std::size_t count)
{
    mizel::ValueList list(count);
    std::iota(list.begin(), list.end(), 1);
    return list;
}
