#include "cli/List.h"

#include "cli/BuildInfo.h"
#include "cli/Json.h"

#include "core/Ansi.h"
#include "core/StoredResult.h"
#include "core/LineList.h"

#include <array>
#include <charconv>
#include <system_error>
#include <thread>

namespace tarvo::cli {

namespace {

void appendWhole(std::string &row, std::int32_t value)
{
    char text[16];
    row.append(text, std::to_chars(text, text + sizeof text, value).ptr);
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
void csvRows(const LineList &lines, qsizetype first, qsizetype last, std::string &row)
{
    for (qsizetype i = first; i < last; ++i) {
        prefetch(lines, i);
        const QByteArrayView line = lines.bytesAt(i);
        if (const auto f = ParseResultLine(line)) {
            (row += f->indiceText) += ',';
            (row += f->flottantText) += ',';
            (row += f->entierText) += ',';
            AppendCsvField(row, f->processeur);
            row += ',';
            appendWhole(row, f->freqOrigine);
            row += ',';
            appendWhole(row, f->freqOverclock);
            row += ',';
            AppendCsvField(row, f->carteMere);
            row += ',';
        } else {
            row += ",,,,,,,";
            AppendCsvField(row, line);
        }
        row += "\r\n";
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
void allRows(const LineList &lines, void (*rows)(const LineList &, qsizetype, qsizetype, std::string &), Output &out)
{
    constexpr qsizetype block = 1 << 14;
    std::string first, second;
    const auto make = [&](std::string &text, qsizetype from, qsizetype to) {
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
        out << first << second;
    }
}

} // namespace

void AppendCsvField(std::string &row, QByteArrayView windows1252)
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
        return;
    // A spreadsheet would run a cell that begins so as a formula: a leading
    // quote makes it text.
    const char first = bytes.front();
    const bool formula = first == '=' || first == '+' || first == '-' || first == '@' || first == '\t'
        || first == '\r';
    bool quoted = bytes.front() == ' ' || bytes.back() == ' ';
    for (const char c : bytes)
        quoted = quoted || special[static_cast<unsigned char>(c)];
    if (quoted)
        row += '"';
    if (formula)
        row += '\'';
    // Printable ASCII goes across in runs; other bytes one at a time.
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end) {
        const char *run = p;
        while (run < end && shown[static_cast<unsigned char>(*run)].empty() && *run != '"')
            ++run;
        row.append(p, std::size_t(run - p));
        if (run == end)
            break;
        row += *run == '"' ? std::string_view("\"\"") : std::string_view(shown[static_cast<unsigned char>(*run)]);
        p = run + 1;
    }
    if (quoted)
        row += '"';
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
