#include "DialogTemplate.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace mizel {

namespace {

// Walks the template's words in the order the resource compiler wrote them.
class TemplateReader
{
public:
    explicit TemplateReader(const BYTE *data) : at(data) {}

    template <typename T>
    T read()
    {
        T value;
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }

    // A string, a resource ordinal (0xFFFF and a number) or nothing (0).
    std::wstring readNameOrOrdinal()
    {
        const auto first = read<WORD>();
        if (first == 0xFFFF) {
            read<WORD>();
            return {};
        }
        std::wstring text;
        for (WORD c = first; c != 0; c = read<WORD>())
            text += wchar_t(c);
        return text;
    }

    void skip(std::size_t bytes) { at += bytes; }
    void alignToDword(const BYTE *base)
    {
        at = base + ((at - base + 3) & ~std::ptrdiff_t{3});
    }

private:
    const BYTE *at;
};

RECT rectOf(short x, short y, short cx, short cy)
{
    return RECT{x, y, x + cx, y + cy};
}

} // namespace

DialogTemplate readDialogTemplate(HINSTANCE instance, int id)
{
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const auto *base = static_cast<const BYTE *>(loaded ? LockResource(loaded) : nullptr);
    if (!base)
        throw std::runtime_error("dialog resource missing");

    TemplateReader reader(base);
    const auto version = reader.read<WORD>();
    const auto signature = reader.read<WORD>();
    if (version != 1 || signature != 0xFFFF)
        throw std::runtime_error("dialog resource is not DIALOGEX");
    reader.read<DWORD>(); // help id
    reader.read<DWORD>(); // extended style
    const auto style = reader.read<DWORD>();
    const auto itemCount = reader.read<WORD>();
    reader.skip(2 * sizeof(short)); // position
    const auto cx = reader.read<short>();
    const auto cy = reader.read<short>();
    reader.readNameOrOrdinal(); // menu
    reader.readNameOrOrdinal(); // class
    reader.readNameOrOrdinal(); // caption
    if (!(style & DS_SETFONT))
        throw std::runtime_error("dialog resource names no font");

    DialogTemplate result;
    result.clientSize = SIZE{cx, cy};
    result.fontPointSize = reader.read<WORD>();
    result.fontWeight = reader.read<WORD>();
    reader.read<BYTE>(); // italic
    result.fontCharSet = reader.read<BYTE>();
    result.fontFace = reader.readNameOrOrdinal();

    for (WORD item = 0; item < itemCount; ++item) {
        reader.alignToDword(base);
        reader.read<DWORD>(); // help id
        reader.read<DWORD>(); // extended style
        reader.read<DWORD>(); // style
        const auto x = reader.read<short>();
        const auto y = reader.read<short>();
        const auto width = reader.read<short>();
        const auto height = reader.read<short>();
        const auto controlId = reader.read<DWORD>();
        reader.readNameOrOrdinal(); // class
        reader.readNameOrOrdinal(); // text
        reader.skip(reader.read<WORD>()); // creation data
        result.controls[int(controlId)] = rectOf(x, y, width, height);
    }
    return result;
}

} // namespace mizel
