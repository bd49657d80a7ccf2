#pragma once
// What the error box shows, in UTF-16 as both editions' message boxes take it.
#include <string>
#include <string_view>

namespace mizel {

class Exception;

// The message lead, the text quoted from the user's input (isolated, so that
// no direction mark in it can reorder the words around it, and shortened in
// the middle when too long for the screen) and the rest, with a full stop
// appended when the message's last character's first cp932 byte compares
// greater than ".".
std::u16string errorDisplayText(std::u16string_view lead, std::u16string_view quoted = {},
                                std::u16string_view rest = {});
// The same for one of the program's own errors, its quoted part isolated.
std::u16string errorDisplayText(const Exception &error);
// The same for the exception being handled; call from a catch block.
std::u16string currentErrorDisplayText();

} // namespace mizel
