// The bridge between Qt's UTF-16 text and the single-byte Windows-1252 text of
// the data files. Encoding refuses what the code page cannot hold rather than
// writing a substitute byte, so no stored description is ever silently altered.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <string>

namespace tarvo {

// Throws EEncodingError naming the first character that cannot be encoded.
QByteArray toAnsi(const QString &text);

// Every byte decodes to one character; the five bytes the code page leaves
// undefined come out as the control characters of the same value.
QString fromAnsi(QByteArrayView bytes);

// Appends Windows-1252 bytes as UTF-8, fast: for output made of stored lines.
void AppendAnsiAsUtf8(std::string &out, QByteArrayView bytes);

// Whether toAnsi() would accept the text.
bool isAnsi(const QString &text);

} // namespace tarvo
