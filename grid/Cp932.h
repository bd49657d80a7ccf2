#pragma once
// Text as the Japanese ANSI code page sees it (cp932, through glibc iconv).
#include <QByteArray>
#include <QString>

namespace mizel {

// cp932 bytes of text; a character cp932 cannot hold becomes "?".
QByteArray toCp932(const QString &text);
QString fromCp932(const QByteArray &bytes);

bool isCp932LeadByte(unsigned char byte);
// Position p counts from 1; outside 1..bytes.size() is never a trail byte.
bool isTrailByte(const QByteArray &bytes, qsizetype p);

} // namespace mizel
