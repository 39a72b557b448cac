#include "cli/Output.h"

#include "core/Ansi.h"
#include "core/Conversions.h"

#include <QLocale>

#include <array>
#include <cerrno>
#include <charconv>
#include <unistd.h>

namespace tarvo::cli {

namespace {

constexpr std::size_t bufferSize = 1 << 16;

template <typename Number>
std::string programNumber(Number value)
{
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    std::string number(text, result.ptr);
    if (number.find('.') == std::string::npos)
        number += ".0";
    return number;
}

} // namespace

Output::Output(int fd)
    : fd_(fd)
{
    buffer_.reserve(bufferSize);
}

Output::Output(std::string &sink)
    : sink_(&sink)
{
    buffer_.reserve(bufferSize);
}

Output::~Output()
{
    flush();
}

Output &Output::operator<<(std::string_view text)
{
    if (text.size() >= bufferSize && !sink_) {
        // A long text goes out as it is, not copied through the buffer first.
        if (flush())
            writeAll(text);
        return *this;
    }
    buffer_ += text;
    if (buffer_.size() >= bufferSize)
        flush();
    return *this;
}

Output &Output::operator<<(const QString &text)
{
    return *this << std::string_view(text.toUtf8());
}

Output &Output::operator<<(char c)
{
    return *this << std::string_view(&c, 1);
}

bool Output::flush()
{
    if (sink_) {
        sink_->append(buffer_);
        buffer_.clear();
        return true;
    }
    writeAll(buffer_);
    buffer_.clear();
    return error_ == 0;
}

void Output::writeAll(std::string_view text)
{
    const char *data = text.data();
    std::size_t left = text.size();
    while (left > 0 && error_ == 0) {
        const ssize_t n = ::write(fd_, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            break;
        }
        data += n;
        left -= std::size_t(n);
    }
}

void Say(const QString &line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    (void)!::write(STDERR_FILENO, bytes.constData(), std::size_t(bytes.size()));
}

std::string ProgramNumber(double value)
{
    return programNumber(value);
}

std::string ProgramNumber(float value)
{
    return programNumber(value);
}

} // namespace tarvo::cli
