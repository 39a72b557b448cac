// What the command line writes: a buffered stream to standard output that
// remembers its first failure, messages on standard error, numbers for
// programs and the stored Windows-1252 texts as UTF-8. Everything written is
// UTF-8, whatever the locale.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <string>
#include <string_view>

namespace tarvo::cli {

class Output {
public:
    explicit Output(int fd);
    // Collects what is written at the end of `sink`, for output made in parts.
    explicit Output(std::string &sink);
    ~Output();
    Output(const Output &) = delete;
    Output &operator=(const Output &) = delete;

    Output &operator<<(std::string_view text);
    Output &operator<<(const char *text) { return *this << std::string_view(text); }
    Output &operator<<(const QString &text);
    Output &operator<<(char c);

    // Writes what is buffered; false, with the error kept, when anything
    // written so far was lost (a full disk behind a redirection).
    bool flush();
    int error() const { return error_; }

private:
    void writeAll(std::string_view text);

    int fd_ = -1;
    std::string *sink_ = nullptr;
    int error_ = 0;
    std::string buffer_;
};

// One line on standard error.
void Say(const QString &line);

// A number for other programs: the shortest text that reads back as the same
// value, always with a decimal point, never an exponent, whatever the locale.
std::string ProgramNumber(double value);
std::string ProgramNumber(float value);

} // namespace tarvo::cli
