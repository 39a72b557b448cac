// The results line on any machine record: any float bit patterns, any
// frequencies, any texts. The line is either refused whole (a text that
// Windows-1252 cannot hold, or that holds a line end) or it is exactly the
// C library's "%12.2f" fields, twelve spaces, then the description, ending in
// its one CR LF.
#include "Check.h"

#include "core/Conversions.h"
#include "core/StoredResult.h"
#include "core/Errors.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstring>

using tarvo::ResultRecord;

namespace {

float anyFloat(FuzzedDataProvider &data)
{
    const std::uint32_t bits = data.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Texts as a user could type them: UTF-8 read leniently, so any character and
// the replacement character come up.
QString anyText(FuzzedDataProvider &data)
{
    const std::string bytes = data.ConsumeRandomLengthString(200);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// The text's bytes in the file, or false when it has no place there.
bool storable(const QString &text, QByteArray &bytes)
{
    try {
        bytes = tarvo::DataText(text);
        return true;
    } catch (const tarvo::EEncodingError &) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    ResultRecord record;
    record.Indice = anyFloat(data);
    record.ResultatFlottant = anyFloat(data);
    record.ResultatEntier = anyFloat(data);
    record.FreqOrigine = data.ConsumeIntegral<std::int32_t>();
    record.FreqOverclock = data.ConsumeIntegral<std::int32_t>();
    record.Processeur = anyText(data);
    record.CarteMere = anyText(data);

    QByteArray processeur, carteMere;
    const bool accepted = storable(record.Processeur, processeur) && storable(record.CarteMere, carteMere);

    QByteArray line;
    try {
        line = tarvo::ResultLine(record);
    } catch (const tarvo::EEncodingError &) {
        check(!accepted);
        return 0;
    }
    check(accepted);
    check(!processeur.contains('\r') && !processeur.contains('\n'));
    check(!carteMere.contains('\r') && !carteMere.contains('\n'));

    // The fuzzer runs in the C locale, so printf writes the reference numbers.
    char numbers[3 * 64 + 16];
    const int n = std::snprintf(numbers, sizeof numbers, "%12.2f%12.2f%12.2f            ",
                                double(record.Indice), double(record.ResultatFlottant),
                                double(record.ResultatEntier));
    check(n > 0 && n < int(sizeof numbers));

    QByteArray expected(numbers, n);
    expected += processeur + ' ' + tarvo::IntToStr(record.FreqOrigine).toLatin1() + " \xe0 "
        + tarvo::IntToStr(record.FreqOverclock).toLatin1() + "     [CM " + carteMere + "]\r\n";
    check(line == expected);
    check(line.indexOf('\n') == line.size() - 1);
    return 0;
}
