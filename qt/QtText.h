#pragma once
// The core's texts (UTF-8 and UTF-16) as Qt strings and back.
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace mizel {

inline QString qtText(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

inline QString qtText(std::u16string_view utf16)
{
    return QString(reinterpret_cast<const QChar *>(utf16.data()), qsizetype(utf16.size()));
}

inline std::u16string_view utf16Text(QStringView text)
{
    return {text.utf16(), std::size_t(text.size())};
}

} // namespace mizel
