#include "cli/Arguments.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <string>

namespace tarvo::cli {

QString ArgumentText(const char *bytes)
{
    // The environment's locale, read without changing the process's own.
    static const std::string codeset = [] {
        const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", locale_t(nullptr));
        if (locale == locale_t(nullptr))
            return std::string("UTF-8");
        std::string name = ::nl_langinfo_l(CODESET, locale);
        ::freelocale(locale);
        return name;
    }();
    return ArgumentText(bytes, codeset.c_str());
}

QString ArgumentText(const char *bytes, const char *codeset)
{
    if (::strcasecmp(codeset, "UTF-8") == 0 || ::strcasecmp(codeset, "ANSI_X3.4-1968") == 0)
        return QString::fromUtf8(bytes);
    const iconv_t converter = ::iconv_open("UTF-8", codeset);
    if (converter == iconv_t(-1))
        return QString::fromUtf8(bytes);
    std::size_t left = std::strlen(bytes);
    std::string utf8(left * 4, '\0');
    char *in = const_cast<char *>(bytes);
    char *out = utf8.data();
    std::size_t room = utf8.size();
    while (left > 0 && ::iconv(converter, &in, &left, &out, &room) == std::size_t(-1)) {
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A byte the codeset cannot decode: the replacement character.
        std::memcpy(out, "\xef\xbf\xbd", 3);
        out += 3;
        room -= 3;
        ++in;
        --left;
    }
    ::iconv_close(converter);
    return QString::fromUtf8(utf8.data(), qsizetype(out - utf8.data()));
}

} // namespace tarvo::cli
