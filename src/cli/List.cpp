#include "cli/List.h"

#include "cli/Help.h"
#include "cli/Json.h"
#include "cli/ResultFields.h"

#include "core/LineList.h"

#include <charconv>

namespace tarvo::cli {

namespace {

void appendWhole(std::string &row, std::int32_t value)
{
    char text[16];
    row.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void csv(const LineList &lines, Output &out)
{
    out << "index,floating,integer,processor,base_frequency,overclock_frequency,motherboard,unparsed_line\r\n";
    std::string row;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        row.clear();
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
        out << row;
    }
}

void json(const std::string &path, const LineList &lines, Output &out)
{
    JsonWriter json(out);
    json.beginObject();
    json.key("version").value(ProgramVersion());
    json.key("file").value(QString::fromLocal8Bit(path));
    json.key("count").value(std::int64_t(lines.size()));
    json.key("results").beginArray();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        json.newline().beginObject();
        const QByteArrayView line = lines.bytesAt(i);
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
    json.newline().endArray();
    json.endObject().newline();
}

} // namespace

void AppendCsvField(std::string &row, QByteArrayView windows1252)
{
    const std::string_view bytes(windows1252.data(), std::size_t(windows1252.size()));
    const bool quoted = bytes.find_first_of(",;\"\r\n") != std::string_view::npos
        || (!bytes.empty() && (bytes.front() == ' ' || bytes.back() == ' ' || bytes.front() == '\t'
                               || bytes.back() == '\t'));
    if (!quoted) {
        AppendAnsiAsUtf8(row, windows1252);
        return;
    }
    row += '"';
    std::size_t from = 0;
    for (std::size_t quote = bytes.find('"'); quote != std::string_view::npos; quote = bytes.find('"', from)) {
        AppendAnsiAsUtf8(row, windows1252.sliced(qsizetype(from), qsizetype(quote + 1 - from)));
        row += '"';
        from = quote + 1;
    }
    AppendAnsiAsUtf8(row, windows1252.sliced(qsizetype(from)));
    row += '"';
}

void ListResults(const std::string &resultsPath, Format format, Output &out)
{
    LineList lines;
    lines.loadSorted(resultsPath);
    if (format == Format::Csv)
        csv(lines, out);
    else
        json(resultsPath, lines, out);
}

} // namespace tarvo::cli
