#include "MessageBox.h"

#include "ErrorText.h"
#include "Exception.h"
#include "Texts.h"
#include "Unicode.h"

#include <new>

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
    std::u16string text;
    try {
        throw;
    } catch (const std::bad_alloc &) {
        text = errorDisplayText(toUtf16(texts::outOfMemory));
    } catch (const Exception &error) {
        text = errorDisplayText(error);
    } catch (const std::exception &error) {
        text = errorDisplayText(toUtf16(error.what()));
    } catch (...) {
        text = errorDisplayText(toUtf16(texts::unknownError));
    }
    messageBox(text, MB_ICONERROR);
}

} // namespace mizel
