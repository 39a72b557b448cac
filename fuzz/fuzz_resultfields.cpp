// A stored results line taken apart: any bytes are either refused, or their
// fields give the very same line back through ResultLine (unless the line
// breaks the rules of what a results line may hold); and every line
// ResultLine writes, for any record, is taken apart.
#include "Check.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "core/StoredResult.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

float anyFloat(FuzzedDataProvider &data)
{
    const std::uint32_t bits = data.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    // The input as a line of a file, which the readers cut at every CR and LF.
    const QByteArray line(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const bool oneLine = !line.contains('\r') && !line.contains('\n');
    if (const auto fields = oneLine ? tarvo::ParseResultLine(line) : std::nullopt) {
        try {
            check(tarvo::ResultLine(tarvo::RecordOf(*fields)) == line + "\r\n");
        } catch (const tarvo::EEncodingError &) {
            // Older files may hold texts the writer now refuses (control
            // characters, overlong texts): only a line the rules refuse.
            check(tarvo::LineFault(*fields).has_value());
        }
    }

    // The input as a record, its texts as Windows-1252 bytes.
    FuzzedDataProvider data(bytes, size);
    tarvo::ResultRecord record;
    record.Indice = anyFloat(data);
    record.ResultatFlottant = anyFloat(data);
    record.ResultatEntier = anyFloat(data);
    record.FreqOrigine = data.ConsumeIntegral<std::int32_t>();
    record.FreqOverclock = data.ConsumeIntegral<std::int32_t>();
    const std::string processeur = data.ConsumeRandomLengthString(100);
    const std::string carteMere = data.ConsumeRandomLengthString(100);
    record.Processeur = tarvo::fromAnsi(QByteArrayView(processeur.data(), qsizetype(processeur.size())));
    record.CarteMere = tarvo::fromAnsi(QByteArrayView(carteMere.data(), qsizetype(carteMere.size())));
    QByteArray written;
    try {
        written = tarvo::ResultLine(record);
    } catch (const tarvo::EEncodingError &) {
        return 0; // a line end, a control character or an overlong text
    }
    const QByteArray body = written.chopped(2); // the fields point into it
    const auto fields = tarvo::ParseResultLine(body);
    // Only a number that is not finite has no place in a well-formed line.
    const bool finite = std::isfinite(record.Indice) && std::isfinite(record.ResultatFlottant)
        && std::isfinite(record.ResultatEntier);
    check(bool(fields) == finite);
    if (fields)
        check(tarvo::ResultLine(tarvo::RecordOf(*fields)) == written);
    return 0;
}
