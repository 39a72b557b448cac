// A JSON document written as it goes, for documents of any length: the
// writer places the commas, escapes the strings and writes numbers with a
// decimal point; the caller opens and closes objects and arrays in order.
#pragma once

#include "cli/Output.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvo::cli {

class JsonWriter {
public:
    explicit JsonWriter(Output &out);

    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    // The name of the next member of the object being written.
    JsonWriter &key(std::string_view name);

    JsonWriter &value(const QString &text);
    JsonWriter &value(std::string_view utf8);
    JsonWriter &value(const char *utf8) { return value(std::string_view(utf8)); }
    JsonWriter &ansi(QByteArrayView windows1252);
    JsonWriter &value(double number); // null when not finite
    JsonWriter &value(float number);
    JsonWriter &value(std::int64_t number);
    JsonWriter &value(int number) { return value(std::int64_t(number)); }
    JsonWriter &value(bool flag);
    JsonWriter &null();
    // A number already written as JSON wants it (a stored "42.00").
    JsonWriter &rawNumber(std::string_view number);
    template <typename T>
    JsonWriter &value(const std::optional<T> &maybe)
    {
        return maybe ? value(*maybe) : null();
    }

    // A line break before the next member, after its comma (or at once at the
    // end of the document), for a reader's eyes and for tools that read a line
    // at a time; it changes nothing of the document.
    JsonWriter &newline();

private:
    void separate();
    void string(std::string_view utf8);

    Output &out_;
    std::vector<bool> first_; // per open object or array: nothing written in it yet
    bool afterKey_ = false;
    bool breakLine_ = false; // before the next member, after its comma
};

} // namespace tarvo::cli
