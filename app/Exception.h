#pragma once
// Base of the program's own errors: the default error display shows what().
#include <exception>
#include <string>
#include <utility>

namespace mizel {

class Exception : public std::exception
{
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const char *what() const noexcept override { return m_message.c_str(); }
    // The whole message, also past a NUL that pasted text may carry.
    const std::string &message() const noexcept { return m_message; }

private:
    std::string m_message;
};

} // namespace mizel
