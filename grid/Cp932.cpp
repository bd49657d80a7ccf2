#include "Cp932.h"

#include <cerrno>
#include <iconv.h>

namespace mizel {

namespace {

// Length of the UTF-8 sequence that begins with byte b, so that a character
// iconv refuses can be skipped whole.
int utf8SequenceLength(unsigned char b)
{
    if (b >= 0xF0)
        return 4;
    if (b >= 0xE0)
        return 3;
    if (b >= 0xC0)
        return 2;
    return 1;
}

// Converts in with iconv from one code to the other. On a byte sequence the
// target cannot hold (or the source does not form), writes replacement and
// skips skipLength(first byte) input bytes.
QByteArray convert(const char *to, const char *from, const QByteArray &in,
                   const QByteArray &replacement, int (*skipLength)(unsigned char))
{
    QByteArray out;
    if (in.isEmpty())
        return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return out;
    out.resize(in.size() * 4 + 4);
    char *src = const_cast<char *>(in.constData());
    std::size_t srcLeft = std::size_t(in.size());
    char *dst = out.data();
    std::size_t dstLeft = std::size_t(out.size());
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != std::size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = std::size_t(out.size() - used);
            continue;
        }
        // EILSEQ or EINVAL (a sequence cut short at the end).
        const std::size_t skip = qMin<std::size_t>(skipLength(static_cast<unsigned char>(*src)), srcLeft);
        src += skip;
        srcLeft -= skip;
        if (dstLeft < std::size_t(replacement.size())) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2 + replacement.size());
            dst = out.data() + used;
            dstLeft = std::size_t(out.size() - used);
        }
        for (char c : replacement)
            *dst++ = c;
        dstLeft -= std::size_t(replacement.size());
    }
    iconv_close(cd);
    out.resize(dst - out.data());
    return out;
}

int oneByte(unsigned char)
{
    return 1;
}

} // namespace

QByteArray toCp932(const QString &text)
{
    return convert("CP932", "UTF-8", text.toUtf8(), QByteArrayLiteral("?"), utf8SequenceLength);
}

QString fromCp932(const QByteArray &bytes)
{
    // A byte that forms no cp932 character shows as U+FFFD.
    return QString::fromUtf8(convert("UTF-8", "CP932", bytes, QByteArrayLiteral("\xEF\xBF\xBD"), oneByte));
}

bool isCp932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool isTrailByte(const QByteArray &bytes, qsizetype p)
{
    if (p < 1 || p > bytes.size())
        return false;
    // Count the run of lead-byte values just before p; an odd run means
    // the byte before p opens a pair and p closes it.
    qsizetype run = 0;
    for (qsizetype i = p - 1; i >= 1 && isCp932LeadByte(static_cast<unsigned char>(bytes[i - 1])); --i)
        ++run;
    return run % 2 == 1;
}

} // namespace mizel
