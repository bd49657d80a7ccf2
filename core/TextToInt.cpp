#include "TextToInt.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace mizel {

namespace {

std::string conversionMessage(std::string_view utf8Text)
{
    std::string message = "'";
    message.append(utf8Text).append("' は整数ではありません");
    return message;
}

} // namespace

EConvertError::EConvertError(std::string_view utf8Text)
    : Exception(conversionMessage(utf8Text), 1, utf8Text.size())
{
}

namespace {

std::optional<int> hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

// Digits up to the end of the text, no more than `limit` in value.
std::optional<std::uint64_t> parseDigits(std::string_view digits, unsigned base, std::uint64_t limit)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const auto digit = hexDigitValue(c);
        if (!digit || unsigned(*digit) >= base)
            return std::nullopt;
        value = value * base + unsigned(*digit);
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> parse(std::string_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }

    for (std::string_view prefix : {"$", "x", "X", "0x", "0X"}) {
        if (text.starts_with(prefix)) {
            // The sign has no effect on a hexadecimal pattern.
            const auto pattern = parseDigits(text.substr(prefix.size()), 16, 0xFFFFFFFFu);
            if (!pattern)
                return std::nullopt;
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(*pattern));
        }
    }

    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    const auto magnitude = parseDigits(text, 10, limit);
    if (!magnitude)
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace

std::int32_t textToInt(std::string_view utf8Text)
{
    if (const auto value = parse(utf8Text))
        return *value;
    throw EConvertError(utf8Text);
}

} // namespace mizel
