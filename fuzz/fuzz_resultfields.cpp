// A stored results line taken apart: any bytes are either refused, or their
// fields give the very same line back through ResultLine; and every line
// ResultLine writes, for any record, is taken apart.
#include "Check.h"

#include "cli/ResultFields.h"

#include "core/Ansi.h"
#include "core/DataFiles.h"
#include "core/Errors.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

tarvo::ResultRecord recordOf(const tarvo::cli::ResultFields &fields)
{
    tarvo::ResultRecord record;
    record.Indice = tarvo::cli::StoredFloat(fields.indiceText);
    record.ResultatFlottant = tarvo::cli::StoredFloat(fields.flottantText);
    record.ResultatEntier = tarvo::cli::StoredFloat(fields.entierText);
    record.Processeur = tarvo::fromAnsi(fields.processeur);
    record.FreqOrigine = fields.freqOrigine;
    record.FreqOverclock = fields.freqOverclock;
    record.CarteMere = tarvo::fromAnsi(fields.carteMere);
    return record;
}

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
    if (const auto fields = oneLine ? tarvo::cli::ParseResultLine(line) : std::nullopt)
        check(tarvo::ResultLine(recordOf(*fields)) == line + "\r\n");

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
        return 0; // a line end in a text
    }
    const QByteArray body = written.chopped(2); // the fields point into it
    const auto fields = tarvo::cli::ParseResultLine(body);
    // Only a number that is not finite has no place in a well-formed line.
    const bool finite = std::isfinite(record.Indice) && std::isfinite(record.ResultatFlottant)
        && std::isfinite(record.ResultatEntier);
    check(bool(fields) == finite);
    if (fields)
        check(tarvo::ResultLine(recordOf(*fields)) == written);
    return 0;
}
