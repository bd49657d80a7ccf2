#include "MessageBox.h"

#include "ErrorText.h"
#include "Texts.h"
#include "Unicode.h"

namespace mizel {

namespace {

HWND messageBoxOwner = nullptr;

} // namespace

void setMessageBoxOwner(HWND owner)
{
    messageBoxOwner = owner;
}

void messageBox(std::u16string_view text, UINT icon)
{
    static const std::u16string title = toUtf16(texts::applicationTitle);
    const std::u16string terminated(text);
    MessageBoxW(messageBoxOwner, reinterpret_cast<const wchar_t *>(terminated.c_str()),
                reinterpret_cast<const wchar_t *>(title.c_str()), MB_OK | icon);
}

void messageBox(std::string_view utf8Text, UINT icon)
{
    messageBox(toUtf16(utf8Text), icon);
}

void showCurrentException()
{
    messageBox(currentErrorDisplayText(), MB_ICONERROR);
}

} // namespace mizel
