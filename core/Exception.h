#pragma once
// Base of the program's own errors: the default error display shows what().
#include <cstddef>
#include <exception>
#include <string>
#include <utility>

namespace mizel {

class Exception : public std::exception
{
public:
    explicit Exception(std::string message) : m_message(std::move(message)), m_quoteStart(m_message.size()) {}
    // A message that quotes the user's input at these byte offsets: the error
    // display keeps that part from disturbing the words around it.
    Exception(std::string message, std::size_t quoteStart, std::size_t quoteLength)
        : m_message(std::move(message)), m_quoteStart(quoteStart), m_quoteLength(quoteLength)
    {
    }
    const char *what() const noexcept override { return m_message.c_str(); }
    // The whole message, also past a NUL that pasted text may carry.
    const std::string &message() const noexcept { return m_message; }
    std::size_t quoteStart() const noexcept { return m_quoteStart; }
    std::size_t quoteLength() const noexcept { return m_quoteLength; }

private:
    std::string m_message;
    std::size_t m_quoteStart;
    std::size_t m_quoteLength = 0;
};

} // namespace mizel
