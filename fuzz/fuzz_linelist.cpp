// The list loader on any bytes: lines are cut at CR LF, LF and CR, decoded from
// Windows-1252 and sorted. Besides crashes and sanitizer reports, the target
// stops on any broken invariant of the cut, the sort or the decoding.
#include "Check.h"

#include "core/Ansi.h"
#include "core/LineList.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>

using tarvo::LineList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Expected number of lines: one per line end (CR LF counting once), plus an
    // unterminated last line.
    qsizetype ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && !(i + 1 < bytes.size() && bytes[i + 1] == '\n')))
            ++ends;
    }
    const bool unterminated = !bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r');
    const qsizetype expected = ends + (unterminated ? 1 : 0);

    LineList list = LineList::fromBytes(bytes);
    check(list.size() == expected);

    qsizetype total = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QByteArrayView line = list.bytesAt(i);
        check(!line.contains('\r') && !line.contains('\n'));
        total += line.size();
    }
    check(total + list.size() <= bytes.size() + 1);

    const QStringList texts = list.toStringList();
    check(texts.size() == list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        // One UTF-16 unit per byte, and the bytes come back unchanged: a line
        // shown and stored again is the line that was read.
        check(texts[i].size() == list.bytesAt(i).size());
        check(tarvo::toAnsi(texts[i]) == list.bytesAt(i));
    }

    list.sort();
    check(list.size() == expected);
    for (qsizetype i = 1; i < list.size(); ++i) {
        const QByteArrayView a = list.bytesAt(i - 1);
        const QByteArrayView b = list.bytesAt(i);
        const int c = std::memcmp(a.data(), b.data(), size_t(std::min(a.size(), b.size())));
        check(c < 0 || (c == 0 && a.size() <= b.size()));
    }
    return 0;
}
