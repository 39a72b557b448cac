#include "core/AppendJournal.h"

#include "core/ErrorTexts.h"
#include "core/FileAppend.h"
#include "core/FileOpening.h"
#include "core/FileReading.h"

#include <QCryptographicHash>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

constexpr auto hashKind = QCryptographicHash::Blake2b_256;
constexpr char tag[] = "zurezive-journal 1";

struct Record {
    std::uint64_t device = 0, inode = 0, before = 0, length = 0;
    QByteArray hash; // hexadecimal
};

QString shown(const std::string &path)
{
    return QString::fromLocal8Bit(path);
}

void toStandardError(const QString &text)
{
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    (void)!::write(STDERR_FILENO, bytes.constData(), size_t(bytes.size()));
}

// The journal's own line, or false when it is not one (cut off as it was written).
bool parse(const QByteArray &text, Record &record)
{
    char hash[65] = {};
    int end = 0;
    const int fields = std::sscanf(text.constData(), "zurezive-journal 1 %" SCNu64 " %" SCNu64 " %" SCNu64
                                                     " %" SCNu64 " %64[0-9a-f]%n",
                                   &record.device, &record.inode, &record.before, &record.length, hash, &end);
    if (fields != 5 || end != text.size() - 1 || !text.endsWith('\n'))
        return false;
    record.hash = hash;
    return record.hash.size() == 64;
}

// The hash of the file's bytes [from, from + length), or empty when they cannot be read.
QByteArray hashOfFile(int fd, std::uint64_t from, std::uint64_t length)
{
    QCryptographicHash hash(hashKind);
    QByteArray block(1 << 20, Qt::Uninitialized);
    while (length > 0) {
        int error = 0;
        const std::uint64_t want = std::min<std::uint64_t>(length, std::uint64_t(block.size()));
        const std::uint64_t got = ReadAt(fd, block.data(), want, from, error);
        if (error != 0 || got != want)
            return {};
        hash.addData(QByteArrayView(block.constData(), qsizetype(got)));
        from += got;
        length -= got;
    }
    return hash.result().toHex();
}

// The journal of the data file, if there is one: 1 read, 0 none, -1 one that
// cannot be read or is not whole (`error` tells which).
int readJournal(const std::string &dataPath, Record &record, int &error)
{
    const int fd = OpenOwnFile(JournalPath(dataPath), O_RDONLY, error);
    if (fd < 0)
        return error == ENOENT ? 0 : -1;
    char text[256];
    int readError = 0;
    const std::uint64_t n = ReadAt(fd, text, sizeof text, 0, readError);
    ::close(fd);
    error = readError;
    return readError == 0 && parse(QByteArray(text, qsizetype(n)), record) ? 1 : -1;
}

// What the next writer makes of the file, `size` long, by its journal.
enum class Verdict { Nothing, Keep, Cut, Leave };

bool sameFile(const Record &record, const struct stat &info)
{
    return std::uint64_t(info.st_dev) == record.device && std::uint64_t(info.st_ino) == record.inode;
}

// Whether the journal's file holds only part of the append after its length
// before it: what the next writer cuts back, so what a reader leaves out.
bool cutShort(const Record &record, const struct stat &info)
{
    const auto size = std::uint64_t(info.st_size);
    return sameFile(record, info) && size > record.before && size - record.before < record.length;
}

Verdict verdictFor(const Record &record, const struct stat &info, int fd)
{
    const auto size = std::uint64_t(info.st_size);
    if (!sameFile(record, info) || size < record.before)
        return Verdict::Leave;
    if (size == record.before)
        return Verdict::Nothing;
    if (cutShort(record, info))
        return Verdict::Cut;
    if (size - record.before == record.length && hashOfFile(fd, record.before, record.length) == record.hash)
        return Verdict::Keep;
    return Verdict::Leave;
}

} // namespace

void (*AppendNotice)(const QString &text) = toStandardError;

std::string JournalPath(const std::string &dataPath)
{
    return dataPath + ".journal";
}

AppendJournal::AppendJournal(const std::string &dataPath, const struct stat &data, QByteArrayView bytes)
    : path_(JournalPath(dataPath))
{
    QCryptographicHash hash(hashKind);
    hash.addData(bytes);
    char text[256];
    const int n = std::snprintf(text, sizeof text, "%s %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %s\n", tag,
                                std::uint64_t(data.st_dev), std::uint64_t(data.st_ino), std::uint64_t(data.st_size),
                                std::uint64_t(bytes.size()), hash.result().toHex().constData());
    int error = 0;
    const int fd = OpenOwnFile(path_, O_WRONLY | O_CREAT | O_EXCL, error);
    if (fd >= 0) {
        const ssize_t written = WriteFile(fd, text, size_t(n));
        error = written == n ? 0 : written < 0 ? errno : ENOSPC;
        // The record is on disk before any byte of the data.
        if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL)
            error = errno;
        ::close(fd);
        made_ = error == 0;
        if (!made_)
            RemoveFile(path_);
    }
    if (!made_)
        AppendNotice(QStringLiteral("Ajout à « %1 » sans journal (%2) : un arrêt brutal pendant l'écriture "
                                    "pourrait y laisser une ligne partielle.")
                         .arg(shown(dataPath), SystemReason(error)));
}

AppendJournal::~AppendJournal()
{
    finish();
}

void AppendJournal::finish()
{
    if (made_)
        RemoveFile(path_);
    made_ = false;
}

void SettleJournal(const std::string &dataPath, int fd, bool locked)
{
    Record record;
    int error = 0;
    const int found = readJournal(dataPath, record, error);
    if (found == 0)
        return;
    const QString file = shown(dataPath), journal = shown(JournalPath(dataPath));
    if (!locked) {
        AppendNotice(QStringLiteral("Un ajout à « %1 » est peut-être en cours (journal « %2 ») et le système de "
                                    "fichiers n'a pas de verrous : le fichier est laissé tel quel.")
                         .arg(file, journal));
        return;
    }
    struct stat info {};
    if (found < 0 || ::fstat(fd, &info) != 0) {
        AppendNotice(QStringLiteral("Le journal « %1 » est illisible (%2) : il est retiré, « %3 » est laissé tel "
                                    "quel.")
                         .arg(journal, error != 0 ? SystemReason(error) : QStringLiteral("incomplet"), file));
        RemoveFile(JournalPath(dataPath));
        return;
    }
    const auto size = std::uint64_t(info.st_size);
    QString text;
    switch (verdictFor(record, info, fd)) {
    case Verdict::Nothing:
        break;
    case Verdict::Keep:
        text = QStringLiteral("Un ajout interrompu à « %1 » était complet (%2 octets) : il est gardé.")
                   .arg(file)
                   .arg(record.length);
        break;
    case Verdict::Cut:
        if (::ftruncate(fd, off_t(record.before)) == 0 && (::fsync(fd) == 0 || errno == EINVAL))
            text = QStringLiteral("Un ajout interrompu à « %1 » a été retiré (%2 octets sur %3) : le fichier a "
                                  "repris sa longueur d'avant, %4 octets.")
                       .arg(file)
                       .arg(size - record.before)
                       .arg(record.length)
                       .arg(record.before);
        else
            text = QStringLiteral("Un ajout interrompu à « %1 » n'a pas pu être retiré (%2) : ses %3 premiers "
                                  "octets y restent.")
                       .arg(file, SystemReason(errno))
                       .arg(size - record.before);
        break;
    case Verdict::Leave:
        text = QStringLiteral("Le journal « %1 » ne correspond pas au fichier « %2 » tel qu'il est (%3 octets, "
                              "journal : %4 + %5) : le fichier est laissé tel quel.")
                   .arg(journal, file)
                   .arg(size)
                   .arg(record.before)
                   .arg(record.length);
        break;
    }
    RemoveFile(JournalPath(dataPath));
    if (!text.isEmpty())
        AppendNotice(text);
}

std::uint64_t SettledSize(const std::string &dataPath, int fd, std::uint64_t size)
{
    // The journal is made before the data grows and removed after it is whole:
    // a size that did not move around the journal's reading is one it tells of.
    for (int round = 0; round < 8; ++round) {
        Record record;
        int error = 0;
        const int found = readJournal(dataPath, record, error);
        struct stat info {};
        if (::fstat(fd, &info) != 0)
            return size;
        if (std::uint64_t(info.st_size) != size) {
            size = std::uint64_t(info.st_size);
            continue;
        }
        return found == 1 && cutShort(record, info) ? record.before : size;
    }
    return size;
}

} // namespace tarvo
