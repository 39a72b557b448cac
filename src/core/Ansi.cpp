#include "core/Ansi.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QList>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tarvo {

namespace {
constexpr const char *codePage = "windows-1252";

// QStringEncoder reports an unencodable character only through hasError() and
// writes a substitute byte, so each character is checked on its own to name it.
QString firstUnencodable(const QString &text)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QStringEncoder encoder(codePage);
        (void)QByteArray(encoder.encode(QStringView(text).mid(i, len)));
        if (encoder.hasError())
            return text.mid(i, len);
        i += len;
    }
    return {};
}

// The code page maps each byte to one UTF-16 unit: Qt's mapping is taken once
// as a table, so converting the lines of a long list costs no converter per line.
const std::array<char16_t, 256> &decodedBytes()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t {};
        char all[256];
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        QStringDecoder decoder(codePage);
        const QString decoded = decoder.decode(QByteArrayView(all, 256));
        Q_ASSERT(decoded.size() == 256);
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = decoded.size() == 256 ? decoded.at(b).unicode() : char16_t(b);
        return t;
    }();
    return table;
}

// For each UTF-16 unit the encoder gives back as the byte it decodes from,
// that byte; -1 for the others (refused, or left to the encoder). Checked once
// against the encoder itself.
const std::vector<std::int16_t> &encodedUnits()
{
    static const std::vector<std::int16_t> table = [] {
        const std::array<char16_t, 256> &units = decodedBytes();
        QStringEncoder encoder(codePage);
        const QByteArray bytes = encoder.encode(QStringView(units.data(), qsizetype(units.size())));
        std::vector<std::int16_t> t(0x10000, -1);
        for (int b = 0; b < 256 && bytes.size() == 256 && !encoder.hasError(); ++b)
            if (static_cast<unsigned char>(bytes[b]) == b)
                t[units[std::size_t(b)]] = std::int16_t(b);
        return t;
    }();
    return table;
}

// Encodes as the encoder would when the table knows every unit of the text.
std::optional<QByteArray> encodedByTable(const QString &text)
{
    const std::vector<std::int16_t> &table = encodedUnits();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar c : text) {
        const std::int16_t b = table[c.unicode()];
        if (b < 0)
            return std::nullopt;
        *out++ = char(b);
    }
    return bytes;
}
} // namespace

QByteArray toAnsi(const QString &text)
{
    if (auto bytes = encodedByTable(text))
        return *std::move(bytes);
    QStringEncoder encoder(codePage);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        throw EEncodingError(NotInCodePage(text, firstUnencodable(text)));
    return bytes;
}

QString fromAnsi(QByteArrayView bytes)
{
    const std::array<char16_t, 256> &table = decodedBytes();

    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char c : bytes)
        *out++ = table[static_cast<unsigned char>(c)];
    return text;
}

bool isAnsi(const QString &text)
{
    if (encodedByTable(text))
        return true;
    QStringEncoder encoder(codePage);
    (void)QByteArray(encoder.encode(text));
    return !encoder.hasError();
}

void AppendAnsiAsUtf8(std::string &out, QByteArrayView bytes)
{
    // Each byte's UTF-8 text, taken once from the code page's decoder.
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            t[std::size_t(b)] = fromAnsi(QByteArrayView(&byte, 1)).toStdString();
        }
        return t;
    }();
    // ASCII goes across in runs; other bytes one at a time.
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end) {
        const char *ascii = p;
        while (ascii < end && static_cast<unsigned char>(*ascii) < 0x80)
            ++ascii;
        out.append(p, std::size_t(ascii - p));
        if (ascii == end)
            break;
        out += table[static_cast<unsigned char>(*ascii)];
        p = ascii + 1;
    }
}

} // namespace tarvo
