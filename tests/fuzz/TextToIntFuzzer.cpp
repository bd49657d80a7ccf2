// Compares textToInt with a reference built on strtoll/strtoull, so that the
// two share no parsing code: any disagreement or crash stops the fuzzer.
#include "TextToInt.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool allOf(std::string_view text, const char *alphabet)
{
    return !text.empty() && text.find_first_not_of(alphabet) == std::string_view::npos;
}

std::optional<std::int32_t> referenceTextToInt(const std::string &text)
{
    // NUL ends a C string; the grammar has no place for it anyway.
    if (text.find('\0') != std::string::npos)
        return std::nullopt;
    std::string body = text.substr(std::min(text.find_first_not_of(' '), text.size()));
    std::string sign;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        sign = body.substr(0, 1);
        body.erase(0, 1);
    }

    std::size_t prefix = 0;
    if (body.starts_with('$') || body.starts_with('x') || body.starts_with('X'))
        prefix = 1;
    else if (body.starts_with("0x") || body.starts_with("0X"))
        prefix = 2;
    if (prefix > 0) {
        const std::string digits = body.substr(prefix);
        if (!allOf(digits, "0123456789abcdefABCDEF"))
            return std::nullopt;
        errno = 0;
        const unsigned long long pattern = std::strtoull(digits.c_str(), nullptr, 16);
        if (errno == ERANGE || pattern > 0xFFFFFFFFull)
            return std::nullopt;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    }

    // strtoll would skip blanks and take a second sign: the digits are checked first.
    if (!allOf(body, "0123456789"))
        return std::nullopt;
    errno = 0;
    const long long value = std::strtoll((sign + body).c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

[[noreturn]] void disagree(const std::string &text, const char *what)
{
    std::fprintf(stderr, "textToInt disagrees with the reference (%s) for:", what);
    for (unsigned char c : text)
        std::fprintf(stderr, " %02x", c);
    std::fprintf(stderr, "\n");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::optional<std::int32_t> expected = referenceTextToInt(text);
    try {
        const std::int32_t value = mizel::textToInt(text);
        if (!expected)
            disagree(text, "accepted");
        if (value != *expected)
            disagree(text, "value");
    } catch (const mizel::EConvertError &error) {
        if (expected)
            disagree(text, "rejected");
        // what() is a C string: a NUL in the text ends the message there.
        const std::string message = "'" + text + "' は整数ではありません";
        if (error.what() != message.substr(0, message.find('\0')))
            disagree(text, "message");
    }
    return 0;
}
