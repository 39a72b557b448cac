#include "core/DataFiles.h"

#include "core/Ansi.h"
#include "core/Conversions.h"
#include "core/ErrorTexts.h"
#include "core/Errors.h"

#include <charconv>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace tarvo {

namespace {

// getcwd with a buffer that grows until the path fits: no length limit. Empty
// when the working directory has no name any more (deleted) or cannot be named.
std::string workingDirectory()
{
    std::vector<char> buffer(256);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

} // namespace

std::string DataFilePath(std::string_view name)
{
    // A working directory that cannot be named still holds the files: they are
    // then opened, and named, by their names alone.
    std::string path = workingDirectory();
    if (path.empty())
        return std::string(name);
    path += '/';
    path += name;
    return path;
}

std::string FormatFixed2(double value, int width)
{
    // std::to_chars is exact and ignores the locale, as printf in the C locale:
    // its digits round the exact binary value, a tie to the even digit.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    if (int(text.size()) < width)
        text.insert(0, size_t(width) - text.size(), ' ');
    return text;
}

QByteArray DataText(const QString &text)
{
    if (text.size() > LongestText)
        throw EEncodingError(TooLong(text.size(), LongestText));
    if (text.contains(u'\r') || text.contains(u'\n'))
        throw EEncodingError(LineBreakIn(text));
    // Tabs, escape sequences, NUL...: nothing a description needs, and what a
    // terminal or a spreadsheet would act on.
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            throw EEncodingError(ControlCharacterIn(text, c));
    return toAnsi(text);
}

} // namespace tarvo
