#include "ErrorText.h"

#include "Exception.h"
#include "Texts.h"
#include "Unicode.h"

#include <algorithm>
#include <new>

namespace mizel {

namespace {

constexpr char16_t firstStrongIsolate = 0x2068;
constexpr char16_t popDirectionalIsolate = 0x2069;
constexpr char16_t ellipsis = 0x2026;

// How much of each end of a long quote the error box keeps.
constexpr std::size_t keptCharacters = 32;
constexpr int keptLineBreaks = 3;

// The bidirectional class B: each of these ends a paragraph.
bool isParagraphSeparator(char16_t c)
{
    return c == 0x0A || c == 0x0D || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2029;
}

bool isLineBreak(char16_t c)
{
    return isParagraphSeparator(c) || c == 0x2028;
}

bool opensIsolate(char16_t c)
{
    return c >= 0x2066 && c <= 0x2068; // LRI, RLI, FSI
}

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Keeps the start and the end of a quote too long for the screen, joined by
// an ellipsis; never splits a surrogate pair.
std::u16string shortened(std::u16string_view text)
{
    const std::size_t size = text.size();
    const auto lineBreaks = std::count_if(text.begin(), text.end(), isLineBreak);
    if (size <= 2 * keptCharacters && lineBreaks <= 2 * keptLineBreaks)
        return std::u16string(text);

    std::size_t headEnd = 0;
    for (int breaks = 0; headEnd < keptCharacters; ++headEnd) {
        if (isLineBreak(text[headEnd]) && ++breaks > keptLineBreaks)
            break;
    }
    if (headEnd > 0 && isHighSurrogate(text[headEnd - 1]))
        --headEnd;
    std::size_t tailStart = size;
    for (int breaks = 0; size - tailStart < keptCharacters; --tailStart) {
        if (isLineBreak(text[tailStart - 1]) && ++breaks > keptLineBreaks)
            break;
    }
    if (tailStart < size && isLowSurrogate(text[tailStart]))
        ++tailStart;
    std::u16string out(text.substr(0, headEnd));
    out += ellipsis;
    out += text.substr(tailStart);
    return out;
}

// The text as a first-strong isolate, one per paragraph (an isolate ends with
// its paragraph). Isolates opened in the text are closed with it, and a pop
// that would close the enclosing isolate is dropped.
std::u16string isolated(std::u16string_view text)
{
    std::u16string out(1, firstStrongIsolate);
    std::size_t open = 0;
    for (char16_t c : text) {
        if (opensIsolate(c)) {
            ++open;
        } else if (c == popDirectionalIsolate) {
            if (open == 0)
                continue;
            --open;
        } else if (isParagraphSeparator(c)) {
            out.append(open + 1, popDirectionalIsolate);
            out += c;
            out += firstStrongIsolate;
            open = 0;
            continue;
        }
        out += c;
    }
    out.append(open + 1, popDirectionalIsolate);
    return out;
}

// The last character's first cp932 byte compares greater than "." for every
// character outside ASCII (lead bytes, half-width kana and the "?" that stands
// for a character cp932 lacks), so no conversion is needed: the error display
// must work also where memory has run out.
bool endsAboveFullStop(std::u16string_view message)
{
    return !message.empty() && (message.back() >= 0x80 || message.back() > u'.');
}

} // namespace

std::u16string errorDisplayText(std::u16string_view lead, std::u16string_view quoted, std::u16string_view rest)
{
    std::u16string text(lead);
    if (!quoted.empty())
        text += isolated(shortened(quoted));
    text += rest;
    const std::u16string_view last = !rest.empty() ? rest : !quoted.empty() ? quoted : lead;
    if (endsAboveFullStop(last))
        text += u'.';
    return text;
}

std::u16string errorDisplayText(const Exception &error)
{
    const std::string_view message = error.message();
    const std::size_t start = std::min(error.quoteStart(), message.size());
    const std::size_t end = std::min(start + error.quoteLength(), message.size());
    return errorDisplayText(toUtf16(message.substr(0, start)), toUtf16(message.substr(start, end - start)),
                            toUtf16(message.substr(end)));
}

std::u16string currentErrorDisplayText()
{
    try {
        throw;
    } catch (const std::bad_alloc &) {
        return errorDisplayText(toUtf16(texts::outOfMemory));
    } catch (const Exception &error) {
        return errorDisplayText(error);
    } catch (const std::exception &error) {
        return errorDisplayText(toUtf16(error.what()));
    } catch (...) {
        return errorDisplayText(toUtf16(texts::unknownError));
    }
}

} // namespace mizel
