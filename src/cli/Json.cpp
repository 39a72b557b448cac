#include "cli/Json.h"

#include "core/Ansi.h"

#include <cmath>
#include <string>

namespace tarvo::cli {

JsonWriter::JsonWriter(Output &out)
    : out_(out)
{
}

void JsonWriter::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back())
            out_ << ',';
        first_.back() = false;
    }
    if (breakLine_) {
        out_ << '\n';
        breakLine_ = false;
    }
}

JsonWriter &JsonWriter::beginObject()
{
    separate();
    out_ << '{';
    first_.push_back(true);
    return *this;
}

JsonWriter &JsonWriter::endObject()
{
    if (breakLine_) {
        out_ << '\n';
        breakLine_ = false;
    }
    first_.pop_back();
    out_ << '}';
    return *this;
}

JsonWriter &JsonWriter::beginArray()
{
    separate();
    out_ << '[';
    first_.push_back(true);
    return *this;
}

JsonWriter &JsonWriter::endArray()
{
    if (breakLine_) {
        out_ << '\n';
        breakLine_ = false;
    }
    first_.pop_back();
    out_ << ']';
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    separate();
    string(name);
    out_ << ':';
    afterKey_ = true;
    return *this;
}

void JsonWriter::string(std::string_view utf8)
{
    // Only the quote, the backslash and the control characters need escaping;
    // everything else goes as its UTF-8 bytes.
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(utf8.size() + 2);
    text += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        case '\b': text += "\\b"; break;
        case '\f': text += "\\f"; break;
        default:
            if (u < 0x20) {
                text += "\\u00";
                text += hex[u >> 4];
                text += hex[u & 15];
            } else {
                text += c;
            }
        }
    }
    text += '"';
    out_ << text;
}

JsonWriter &JsonWriter::value(const QString &text)
{
    return value(std::string_view(text.toUtf8()));
}

JsonWriter &JsonWriter::value(std::string_view utf8)
{
    separate();
    string(utf8);
    return *this;
}

JsonWriter &JsonWriter::ansi(QByteArrayView windows1252)
{
    std::string utf8;
    AppendAnsiAsUtf8(utf8, windows1252);
    return value(std::string_view(utf8));
}

JsonWriter &JsonWriter::value(double number)
{
    if (!std::isfinite(number))
        return null();
    return rawNumber(ProgramNumber(number));
}

JsonWriter &JsonWriter::value(float number)
{
    if (!std::isfinite(number))
        return null();
    return rawNumber(ProgramNumber(number));
}

JsonWriter &JsonWriter::value(std::int64_t number)
{
    return rawNumber(std::to_string(number));
}

JsonWriter &JsonWriter::value(bool flag)
{
    return rawNumber(flag ? "true" : "false");
}

JsonWriter &JsonWriter::null()
{
    return rawNumber("null");
}

JsonWriter &JsonWriter::rawNumber(std::string_view number)
{
    separate();
    out_ << number;
    return *this;
}

JsonWriter &JsonWriter::newline()
{
    if (first_.empty())
        out_ << '\n';
    else
        breakLine_ = true;
    return *this;
}

} // namespace tarvo::cli
