#include "core/DataFiles.h"

#include "core/Conversions.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "core/SystemFiles.h"

#include <charconv>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace tarvo {

namespace {

QString fileName(std::string_view path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

[[noreturn]] void throwWriteError(const std::string &path, int error)
{
    throw EWriteError(QStringLiteral("Impossible d'écrire dans le fichier « %1 » : %2.")
                          .arg(fileName(path), SystemReason(error))
                          .toStdString());
}

// getcwd with a buffer that grows until the path fits: no length limit.
std::string workingDirectory(int &error)
{
    std::vector<char> buffer(256);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return std::string(buffer.data());
        if (errno != ERANGE) {
            error = errno;
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::string DataFilePath(std::string_view name)
{
    int error = 0;
    std::string path = workingDirectory(error);
    if (error != 0)
        throw EWriteError(QStringLiteral("Le dossier de travail est inaccessible (%1) : "
                                         "le fichier « %2 » ne peut pas y être lu ni écrit.")
                              .arg(SystemReason(error), fileName(name))
                              .toStdString());
    path += '/';
    path += name;
    return path;
}

std::string FormatFixed2(double value, int width)
{
    // std::to_chars is exact and ignores the locale, as printf in the C locale:
    // its digits round the exact binary value, a tie to the even digit.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    if (int(text.size()) < width)
        text.insert(0, size_t(width) - text.size(), ' ');
    return text;
}

QByteArray DataText(const QString &text)
{
    if (text.contains(u'\r') || text.contains(u'\n'))
        throw EEncodingError(QStringLiteral("Le texte « %1 » contient un retour à la ligne, "
                                            "qui ne peut pas être enregistré dans les fichiers "
                                            "de données.")
                                 .arg(QString(text).replace(u'\r', u' ').replace(u'\n', u' '))
                                 .toStdString());
    return toAnsi(text);
}

QString ConfigurationText(const QString &processeur, std::int32_t freqOrigine, std::int32_t freqOverclock,
                          const QString &carteMere)
{
    return processeur + u' ' + IntToStr(freqOrigine) + QStringLiteral(" à ") + IntToStr(freqOverclock)
        + QStringLiteral("     [CM ") + carteMere + u']';
}

QByteArray ResultLine(const ResultRecord &record)
{
    // Each text on its own first, so that a refusal names the one at fault.
    DataText(record.Processeur);
    DataText(record.CarteMere);

    QByteArray line;
    line += QByteArray::fromStdString(FormatFixed2(record.Indice));
    line += QByteArray::fromStdString(FormatFixed2(record.ResultatFlottant));
    line += QByteArray::fromStdString(FormatFixed2(record.ResultatEntier));
    line += "            ";
    line += toAnsi(ConfigurationText(record.Processeur, record.FreqOrigine, record.FreqOverclock,
                                     record.CarteMere));
    line += "\r\n";
    return line;
}

QByteArray HistoryEntry(const QString &text)
{
    return DataText(text) + "\r\n";
}

QByteArray HistoryEntry(std::int32_t value)
{
    return QByteArray::number(value) + "\r\n";
}

void AppendToFile(const std::string &path, QByteArrayView bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throwWriteError(path, errno);

    // One write for the whole line: with O_APPEND the kernel places it at the end
    // in one piece, so a second writer's line goes before or after it, never inside.
    int error = 0;
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        data += n;
        left -= n;
    }

    // A result the user saw confirmed must survive a crash right after. Devices and
    // pipes cannot be synced (EINVAL, EROFS); what they were given is all they get.
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    if (::close(fd) != 0 && errno != EINTR && error == 0)
        error = errno;
    if (error != 0)
        throwWriteError(path, error);
}

std::FILE *OpenHistory(const std::string &path) noexcept
{
    if (std::FILE *stream = std::fopen(path.c_str(), "re"))
        return stream;
    // Created without O_TRUNC: a file that appeared in the meantime, or one that
    // exists but cannot be read, keeps its lines.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE *stream = ::fdopen(fd, "w");
    if (!stream)
        ::close(fd);
    return stream;
}

void CloseHistory(std::FILE *&slot) noexcept
{
    if (!slot)
        return;
    std::fclose(slot);
    slot = nullptr;
}

} // namespace tarvo
