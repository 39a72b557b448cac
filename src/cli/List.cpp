#include "cli/List.h"

#include "cli/BuildInfo.h"
#include "cli/Json.h"

#include "core/Ansi.h"
#include "core/StoredResult.h"
#include "core/LineList.h"

#include <array>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>

namespace tarvo::cli {

namespace {

// Text made in place: room is made before each row, which is then written
// through a pointer, so that its small pieces are not each a library call.
class RowText {
public:
    // Room for `most` more bytes.
    char *room(std::size_t most)
    {
        if (size_ + most > capacity_) {
            capacity_ = 2 * (size_ + most);
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity_);
            if (size_ > 0)
                std::memcpy(bigger.get(), data_.get(), size_);
            data_ = std::move(bigger);
        }
        return data_.get() + size_;
    }
    // What was written ends at `end`.
    void grew(char *end) { size_ = std::size_t(end - data_.get()); }
    void clear() { size_ = 0; }
    operator std::string_view() const { return std::string_view(data_.get(), size_); }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

// A number's text of at most 16 bytes, 16 of them copied at once where they
// can be read (a well-formed line goes on well past its numbers).
char *putNumber(char *into, std::string_view text, const char *lineEnd)
{
    constexpr std::size_t wide = 16;
    if (text.size() <= wide && text.data() + wide <= lineEnd)
        std::memcpy(into, text.data(), wide);
    else
        std::memcpy(into, text.data(), text.size());
    return into + text.size();
}

char *putWhole(char *into, std::int32_t value)
{
    return std::to_chars(into, into + 16, value).ptr;
}

// Sorted, the lines are visited in no order of memory: each would wait for
// its bytes. They are asked for a few lines ahead, every cache line of them.
void prefetch(const LineList &lines, qsizetype i)
{
    constexpr qsizetype ahead = 24;
    constexpr qsizetype cacheLine = 64;
    if (i + ahead < lines.size()) {
        const QByteArrayView line = lines.bytesAt(i + ahead);
        for (qsizetype at = 0; at < line.size(); at += cacheLine)
            __builtin_prefetch(line.data() + at);
        __builtin_prefetch(line.data() + line.size() - 1);
    }
}

// Rows of lines [first, last) in CSV.
void csvRows(const LineList &lines, qsizetype first, qsizetype last, RowText &rows)
{
    for (qsizetype i = first; i < last; ++i) {
        prefetch(lines, i);
        const QByteArrayView line = lines.bytesAt(i);
        // Each byte of a text becomes at most 3; numbers and the rest are short.
        char *p = rows.room(3 * std::size_t(line.size()) + 64);
        if (const auto f = ParseResultLine(line)) {
            const char *end = line.data() + line.size();
            p = putNumber(p, f->indiceText, end);
            *p++ = ',';
            p = putNumber(p, f->flottantText, end);
            *p++ = ',';
            p = putNumber(p, f->entierText, end);
            *p++ = ',';
            p = WriteCsvField(p, f->processeur);
            *p++ = ',';
            p = putWhole(p, f->freqOrigine);
            *p++ = ',';
            p = putWhole(p, f->freqOverclock);
            *p++ = ',';
            p = WriteCsvField(p, f->carteMere);
            *p++ = ',';
        } else {
            std::memcpy(p, ",,,,,,,", 7);
            p = WriteCsvField(p + 7, line);
        }
        *p++ = '\r';
        *p++ = '\n';
        rows.grew(p);
    }
}

// Rows of lines [first, last) as members of the JSON array, each on its line.
void jsonRows(const LineList &lines, qsizetype first, qsizetype last, std::string &text)
{
    Output out(text);
    JsonWriter json(out);
    for (qsizetype i = first; i < last; ++i) {
        out << (i == 0 ? "\n" : ",\n");
        prefetch(lines, i);
        const QByteArrayView line = lines.bytesAt(i);
        json.beginObject();
        if (const auto f = ParseResultLine(line)) {
            json.key("index").rawNumber(f->indiceText);
            json.key("floating").rawNumber(f->flottantText);
            json.key("integer").rawNumber(f->entierText);
            json.key("processor").ansi(f->processeur);
            json.key("base_frequency").value(f->freqOrigine);
            json.key("overclock_frequency").value(f->freqOverclock);
            json.key("motherboard").ansi(f->carteMere);
        } else {
            json.key("unparsed_line").ansi(line);
        }
        json.endObject();
    }
    out.flush();
}

// The rows of every line, made a block at a time on two threads and written
// in order: memory holds two blocks, whatever the length of the list.
template <typename Text>
void allRows(const LineList &lines, void (*rows)(const LineList &, qsizetype, qsizetype, Text &), Output &out)
{
    constexpr qsizetype block = 1 << 14;
    Text first, second;
    const auto make = [&](Text &text, qsizetype from, qsizetype to) {
        text.clear();
        rows(lines, from, to, text);
    };
    for (qsizetype start = 0; start < lines.size(); start += 2 * block) {
        const qsizetype middle = std::min(lines.size(), start + block);
        const qsizetype end = std::min(lines.size(), middle + block);
        std::thread other;
        try {
            if (middle < end)
                other = std::thread(make, std::ref(second), middle, end);
        } catch (const std::system_error &) {
            // No second thread to be had: this one makes both blocks.
        }
        make(first, start, middle);
        if (other.joinable())
            other.join();
        else
            make(second, middle, end);
        out << std::string_view(first) << std::string_view(second);
    }
}

} // namespace

char *WriteCsvField(char *into, QByteArrayView windows1252)
{
    // What each byte becomes: printable ASCII as it is (empty here), a
    // control byte as its control picture (U+2400 + byte, U+2421 for DEL), a
    // byte the code page leaves undefined as U+FFFD, the others as UTF-8.
    static const std::array<std::string, 256> shown = [] {
        std::array<std::string, 256> t;
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString text = fromAnsi(QByteArrayView(&byte, 1));
            const char16_t c = text.at(0).unicode();
            if (b < 0x20 || b == 0x7f)
                t[std::size_t(b)] = QString(QChar(char16_t(0x2400 + (b == 0x7f ? 0x21 : b)))).toStdString();
            else if (c >= 0x80 && c < 0xa0)
                t[std::size_t(b)] = "\xef\xbf\xbd";
            else if (b >= 0x80)
                t[std::size_t(b)] = text.toStdString();
        }
        return t;
    }();
    static constexpr auto special = [] {
        std::array<bool, 256> table{};
        for (const unsigned char c : {',', ';', '"'})
            table[c] = true;
        return table;
    }();
    const std::string_view bytes(windows1252.data(), std::size_t(windows1252.size()));
    if (bytes.empty())
        return into;
    // A spreadsheet would run a cell that begins so as a formula: a leading
    // quote makes it text.
    const char first = bytes.front();
    const bool formula = first == '=' || first == '+' || first == '-' || first == '@' || first == '\t'
        || first == '\r';
    bool quoted = bytes.front() == ' ' || bytes.back() == ' ';
    for (const char c : bytes)
        quoted = quoted || special[static_cast<unsigned char>(c)];
    if (quoted)
        *into++ = '"';
    if (formula)
        *into++ = '\'';
    // Printable ASCII goes across in runs; other bytes one at a time.
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end) {
        const char *run = p;
        while (run < end && shown[static_cast<unsigned char>(*run)].empty() && *run != '"')
            ++run;
        std::memcpy(into, p, std::size_t(run - p));
        into += run - p;
        if (run == end)
            break;
        const std::string_view as = *run == '"' ? std::string_view("\"\"") : shown[static_cast<unsigned char>(*run)];
        std::memcpy(into, as.data(), as.size());
        into += as.size();
        p = run + 1;
    }
    if (quoted)
        *into++ = '"';
    return into;
}

void AppendCsvField(std::string &row, QByteArrayView windows1252)
{
    const std::size_t at = row.size();
    row.resize(at + 3 * std::size_t(windows1252.size()) + 3);
    row.resize(std::size_t(WriteCsvField(row.data() + at, windows1252) - row.data()));
}

void ListResults(const std::string &resultsPath, Format format, Output &out)
{
    LineList lines;
    lines.loadSorted(resultsPath);
    if (format == Format::Csv) {
        out << "index,floating,integer,processor,base_frequency,overclock_frequency,motherboard,unparsed_line\r\n";
        allRows(lines, csvRows, out);
        return;
    }
    JsonWriter json(out);
    json.beginObject();
    json.key("version").value(ProgramVersion());
    json.key("file").value(QString::fromLocal8Bit(resultsPath));
    json.key("count").value(std::int64_t(lines.size()));
    json.key("results").beginArray();
    allRows(lines, jsonRows, out);
    json.newline().endArray();
    json.endObject().newline();
}

} // namespace tarvo::cli
