// The error classes of the system. Framework operations (number conversions,
// file loading, text encoding, appends) report failure by throwing one of these,
// with a message from ErrorTexts.h; the framework's guarded dispatch shows the
// message and lets the application go on.
#pragma once

#include <QString>

#include <stdexcept>
#include <string>

namespace tarvo {

// Base of every error the system raises itself. The message is UTF-8 and meant
// for the user, in French.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
};

// A text that is not a whole number, or one out of the 32-bit range.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened for reading.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

// A file or directory that cannot be written to.
class EWriteError : public Exception {
public:
    using Exception::Exception;
};

// A text the data files cannot hold: a character outside Windows-1252, a line
// break, or more characters than a description may have.
class EEncodingError : public Exception {
public:
    using Exception::Exception;
};

} // namespace tarvo
