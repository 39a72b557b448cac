#include "core/LineList.h"

#include "core/Ansi.h"
#include "core/Errors.h"
#include "core/SystemFiles.h"

#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

// A line's reference: its offset in the bytes, then its length in the low bits,
// saturated. 40 bits of offset reach 1 TB, far beyond any list memory can hold.
constexpr int lengthBits = 24;
constexpr std::uint64_t savedLength = (std::uint64_t(1) << lengthBits) - 1;
constexpr std::uint64_t largestSize = std::uint64_t(1) << (64 - lengthBits);

std::uint64_t refOf(std::uint64_t begin, std::uint64_t length)
{
    return begin << lengthBits | std::min(length, savedLength);
}

using LongLines = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

std::uint64_t lengthIn(const LongLines &longLines, std::uint64_t ref)
{
    const std::uint64_t saved = ref & savedLength;
    if (saved < savedLength)
        return saved;
    const std::uint64_t begin = ref >> lengthBits;
    const auto found = std::lower_bound(longLines.begin(), longLines.end(), std::make_pair(begin, std::uint64_t(0)));
    return found->second;
}

// While sorting, a line is its reference beside a key made of its bytes from
// the depth reached, so that nearly every comparison is one integer compare
// within the array being sorted instead of a memcmp reaching into the file's
// bytes far away in memory.
struct Record {
    std::uint64_t key;
    std::uint64_t ref;
};
static_assert(sizeof(Record) == 16);

// How bytes become a key. Each byte value met in a run's next bytes gets a rank,
// in byte order, above 0 for "past the line's end": the digits, spaces and
// points of a results line take 4 bits each, so a key holds 16 of them (the
// index and the floating result) where plain bytes would give 8.
struct KeyCode {
    std::array<std::uint8_t, 256> rank;
    unsigned bits;  // per byte
    unsigned bytes; // per key
};

// The bytes looked at to choose the code, and so the most a key holds: 16 bytes
// at 4 bits fill it.
constexpr std::uint64_t codedBytes = 16;

// Below this, a second thread costs more than it saves.
constexpr std::ptrdiff_t parallelSortFrom = 1 << 15;
// Runs this short are sorted by comparing their bytes directly.
constexpr std::ptrdiff_t shortRun = 16;

class Sorter {
public:
    Sorter(const char *data, const LongLines &longLines)
        : data_(data)
        , longLines_(longLines)
    {
    }

    // Every line of [first, last) has the same first `depth` bytes, reading
    // bytes past a line's end as zero.
    void sort(Record *first, Record *last, std::uint64_t depth, bool parallel) const
    {
        // Lines ending within those bytes begin every other one: first, shortest first.
        Record *rest = std::partition(first, last, [&](const Record &r) { return length(r) <= depth; });
        if (rest - first > 1)
            std::sort(first, rest, [&](const Record &a, const Record &b) { return length(a) < length(b); });
        first = rest;
        if (last - first < 2)
            return;
        if (last - first <= shortRun) {
            std::sort(first, last, [&](const Record &a, const Record &b) { return less(a, b, depth); });
            return;
        }

        // Bytes the whole run shares say nothing about order (the index's
        // leading spaces in a results file).
        depth += shared(first, last, depth);
        const KeyCode code = codeFor(first, last, depth);
        if (code.bits == 0)
            return; // every line ends there: all the same
        for (Record *r = first; r != last; ++r)
            r->key = key(*r, depth, code);

        // Two parts split at a sampled median key sort side by side and need no merge.
        if (parallel && last - first >= parallelSortFrom && std::thread::hardware_concurrency() > 1) {
            std::array<std::uint64_t, 63> sample;
            const std::ptrdiff_t step = (last - first) / std::ptrdiff_t(sample.size());
            for (std::size_t i = 0; i < sample.size(); ++i)
                sample[i] = first[std::ptrdiff_t(i) * step].key;
            std::nth_element(sample.begin(), sample.begin() + 31, sample.end());
            const std::uint64_t pivot = sample[31];
            Record *mid = std::partition(first, last, [pivot](const Record &r) { return r.key < pivot; });
            if (mid == first)
                mid = std::partition(first, last, [pivot](const Record &r) { return r.key <= pivot; });
            if (mid != first && mid != last) {
                try {
                    std::thread other([&] { sortByKey(mid, last, depth + code.bytes); });
                    sortByKey(first, mid, depth + code.bytes);
                    other.join();
                    return;
                } catch (const std::system_error &) {
                    // No thread to be had: sort on this one.
                }
            }
        }
        sortByKey(first, last, depth + code.bytes);
    }

    // Whole lines in text order.
    bool less(const Record &a, const Record &b, std::uint64_t depth = 0) const
    {
        const std::uint64_t la = length(a), lb = length(b);
        const std::uint64_t n = std::min(la, lb);
        if (n > depth) {
            const int c = std::memcmp(line(a) + depth, line(b) + depth, n - depth);
            if (c != 0)
                return c < 0;
        }
        return la < lb;
    }

private:
    const char *line(const Record &r) const { return data_ + (r.ref >> lengthBits); }
    std::uint64_t length(const Record &r) const { return lengthIn(longLines_, r.ref); }

    KeyCode codeFor(const Record *first, const Record *last, std::uint64_t depth) const
    {
        std::array<bool, 256> met {};
        for (const Record *r = first; r != last; ++r) {
            const auto *p = reinterpret_cast<const unsigned char *>(line(*r)) + depth;
            const std::uint64_t n = std::min(length(*r) - depth, codedBytes);
            for (std::uint64_t i = 0; i < n; ++i)
                met[p[i]] = true;
        }
        KeyCode code {};
        unsigned ranks = 0;
        for (unsigned byte = 0; byte < 256; ++byte)
            if (met[byte])
                code.rank[byte] = std::uint8_t(++ranks);
        code.bits = unsigned(std::bit_width(ranks));
        if (code.bits == 0)
            return code;
        if (code.bits >= 8) {
            // Plain bytes: "past the end" and a zero byte then read the same,
            // which the deeper passes and the lengths tell apart.
            for (unsigned byte = 0; byte < 256; ++byte)
                code.rank[byte] = std::uint8_t(byte);
            code.bits = 8;
        }
        // No more bytes than were looked at: one not seen would have no rank.
        code.bytes = std::min(64 / code.bits, unsigned(codedBytes));
        return code;
    }

    std::uint64_t key(const Record &r, std::uint64_t depth, const KeyCode &code) const
    {
        const auto *p = reinterpret_cast<const unsigned char *>(line(r)) + depth;
        const std::uint64_t n = std::min<std::uint64_t>(length(r) - depth, code.bytes);
        if (n == 0)
            return 0;
        std::uint64_t key = 0;
        for (std::uint64_t i = 0; i < n; ++i)
            key = key << code.bits | code.rank[p[i]];
        return key << (code.bits * (code.bytes - n));
    }

    std::uint64_t shared(const Record *first, const Record *last, std::uint64_t depth) const
    {
        const char *a = line(*first) + depth;
        std::uint64_t common = length(*first) - depth;
        for (const Record *r = first + 1; r != last && common > 0; ++r) {
            const std::uint64_t n = std::min(common, length(*r) - depth);
            common = std::uint64_t(std::mismatch(a, a + n, line(*r) + depth).first - a);
        }
        return common;
    }

    // Then the runs of equal keys, from `depth`, the first byte past the keys.
    void sortByKey(Record *first, Record *last, std::uint64_t depth) const
    {
        std::sort(first, last, [](const Record &a, const Record &b) { return a.key < b.key; });
        for (Record *run = first; run != last;) {
            Record *end = run + 1;
            while (end != last && end->key == run->key)
                ++end;
            if (end - run > 1)
                sort(run, end, depth, false);
            run = end;
        }
    }

    const char *data_;
    const LongLines &longLines_;
};

QString pathText(const std::string &path)
{
    return QString::fromLocal8Bit(path);
}

[[noreturn]] void throwOpenError(const std::string &path, int error)
{
    throw EFOpenError(QStringLiteral("Impossible d'ouvrir le fichier « %1 » : %2.")
                          .arg(pathText(path), SystemReason(error))
                          .toStdString());
}

[[noreturn]] void throwReadError(const std::string &path, int error)
{
    throw EFOpenError(QStringLiteral("Impossible de lire le fichier « %1 » : %2.")
                          .arg(pathText(path), SystemReason(error))
                          .toStdString());
}

[[noreturn]] void throwTooLarge(const std::string &path, std::uint64_t budget)
{
    throw EFOpenError(QStringLiteral("Le fichier « %1 » est trop grand pour être affiché avec la mémoire "
                                     "disponible (%2 Mo).")
                          .arg(pathText(path))
                          .arg(budget >> 20)
                          .toStdString());
}

[[noreturn]] void throwOutOfMemory(const std::string &path)
{
    throw EFOpenError(QStringLiteral("Mémoire insuffisante pour afficher le fichier « %1 ».")
                          .arg(pathText(path))
                          .toStdString());
}

// A "Name: 123 kB" field of a /proc file, in bytes; `fallback` when absent.
std::uint64_t kilobytesField(const char *file, const char *name, std::uint64_t fallback)
{
    std::ifstream in(file);
    std::string line;
    const std::size_t length = std::strlen(name);
    while (std::getline(in, line))
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':')
            return std::strtoull(line.c_str() + length + 1, nullptr, 10) * 1024;
    return fallback;
}

std::uint64_t numberIn(const std::string &file, std::uint64_t fallback)
{
    std::ifstream in(file);
    std::string word;
    if (!(in >> word) || word.empty() || word[0] < '0' || word[0] > '9')
        return fallback; // "max", or no such file
    return std::strtoull(word.c_str(), nullptr, 10);
}

// What the system can give this process now without swapping, within its
// control group's limit and its own address-space and data limits; three
// quarters of it go to a list, the rest is left to the program and the system.
std::uint64_t memoryBudget()
{
    constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t room = kilobytesField("/proc/meminfo", "MemAvailable", unlimited);

    const auto limitLeft = [&room](int resource, std::uint64_t used) {
        struct rlimit limit {};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            room = std::min(room, limit.rlim_cur > used ? std::uint64_t(limit.rlim_cur) - used : 0);
    };
    limitLeft(RLIMIT_AS, kilobytesField("/proc/self/status", "VmSize", 0));
    limitLeft(RLIMIT_DATA, kilobytesField("/proc/self/status", "VmData", 0));

    // cgroup v2: a single "0::/path" line.
    std::ifstream cgroups("/proc/self/cgroup");
    std::string line;
    while (std::getline(cgroups, line)) {
        if (line.rfind("0::", 0) != 0)
            continue;
        const std::string dir = "/sys/fs/cgroup" + line.substr(3);
        const std::uint64_t max = numberIn(dir + "/memory.max", unlimited);
        const std::uint64_t current = numberIn(dir + "/memory.current", 0);
        if (max != unlimited)
            room = std::min(room, max > current ? max - current : 0);
    }
    return room == unlimited ? room : room / 4 * 3;
}

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
std::uint64_t readAt(int fd, char *into, std::uint64_t size, std::uint64_t offset, int &error)
{
    std::uint64_t done = 0;
    while (done < size) {
        // Linux moves at most about 2 GB per call.
        const std::size_t chunk = std::size_t(std::min<std::uint64_t>(size - done, 1 << 30));
        const ssize_t n = ::pread(fd, into + done, chunk, off_t(offset + done));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return done;
        }
        done += std::uint64_t(n);
    }
    error = 0;
    return done;
}

} // namespace

// --- PageBuffer ---------------------------------------------------------------

namespace {

std::size_t mappedSize(std::size_t bytes)
{
    static const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

PageBuffer::~PageBuffer()
{
    if (base_)
        ::munmap(base_, mappedSize(capacity_));
}

PageBuffer::PageBuffer(PageBuffer &&other) noexcept
    : base_(std::exchange(other.base_, nullptr))
    , capacity_(std::exchange(other.capacity_, 0))
{
}

PageBuffer &PageBuffer::operator=(PageBuffer &&other) noexcept
{
    if (this != &other) {
        if (base_)
            ::munmap(base_, mappedSize(capacity_));
        base_ = std::exchange(other.base_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void PageBuffer::resize(std::size_t bytes)
{
    const std::size_t now = mappedSize(capacity_), wanted = mappedSize(bytes);
    void *moved = nullptr;
    if (wanted == now) {
        moved = base_;
    } else if (wanted == 0) {
        ::munmap(base_, now);
    } else if (!base_) {
        moved = ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    } else {
        moved = ::mremap(base_, now, wanted, MREMAP_MAYMOVE);
    }
    if (moved == MAP_FAILED)
        throw std::bad_alloc();
    base_ = static_cast<char *>(moved);
    capacity_ = wanted == 0 ? 0 : bytes;
    // Advice only: where huge pages are not offered, small ones do.
    if (base_)
        ::madvise(base_, wanted, MADV_HUGEPAGE);
}

// --- LineList -----------------------------------------------------------------

namespace {

// Cuts [from, size) of `data` into lines, handing each one's start and length to
// `line`. memchr finds each LF, then the CRs before it: the usual CR LF line
// costs two vectorised searches, and lone CRs and LFs still end lines.
template <typename Line>
void cutLines(const char *data, std::uint64_t from, std::uint64_t size, Line &&line)
{
    std::uint64_t begin = from;
    while (begin < size) {
        const void *found = std::memchr(data + begin, '\n', size - begin);
        const std::uint64_t lf = found ? std::uint64_t(static_cast<const char *>(found) - data) : size;
        bool endedAtLf = false;
        while (const void *cr = std::memchr(data + begin, '\r', lf - begin)) {
            const std::uint64_t at = std::uint64_t(static_cast<const char *>(cr) - data);
            line(begin, at - begin);
            begin = at + 1;
            if (begin == lf && lf < size) { // CR LF is one line end
                begin = lf + 1;
                endedAtLf = true;
                break;
            }
        }
        if (endedAtLf)
            continue;
        if (lf < size) {
            line(begin, lf - begin);
            begin = lf + 1;
        } else if (begin < size) {
            line(begin, size - begin);
            begin = size;
        }
    }
}

// The records of [from, size), each with its reference; `budget` bounds the
// bytes held by the records and by `held` beside them.
void cutRecords(const char *data, std::uint64_t from, std::uint64_t size, LongLines &longLines,
                PageBuffer &records, qsizetype &count, std::uint64_t held, std::uint64_t budget,
                const std::string &path)
{
    count = 0;
    if (size == from)
        return;
    std::size_t capacity = 0;
    // As many lines as the first megabyte promises, and a little more: the
    // buffer is then mapped once, in huge pages, rather than moved as it grows.
    const std::uint64_t sample = std::min<std::uint64_t>(size - from, 1 << 20);
    const auto ends = [&](char end) { return std::uint64_t(std::count(data + from, data + from + sample, end)); };
    const std::uint64_t perSample = std::max(ends('\n'), ends('\r')) + 1;
    const std::uint64_t expected = (size - from) * perSample / sample / 16 * 17 + 1024;
    const auto grow = [&] {
        std::size_t wanted = std::max<std::size_t>(capacity + capacity / 2, expected);
        const std::uint64_t room = budget > held ? (budget - held) / sizeof(Record) : 0;
        if (capacity >= room)
            throwTooLarge(path, budget);
        wanted = std::size_t(std::min<std::uint64_t>(wanted, room));
        records.resize(wanted * sizeof(Record));
        capacity = wanted;
    };
    cutLines(data, from, size, [&](std::uint64_t begin, std::uint64_t length) {
        if (std::size_t(count) == capacity)
            grow();
        if (length >= savedLength)
            longLines.emplace_back(begin, length);
        reinterpret_cast<Record *>(records.data())[count++] = {0, refOf(begin, length)};
    });
}

// Keeps only the records' references, in place, giving the rest back.
void keepRefs(PageBuffer &records, qsizetype count)
{
    const auto *first = reinterpret_cast<const Record *>(records.data());
    // Reference i lands on bytes that record i / 2 held, already read.
    auto *refs = reinterpret_cast<std::uint64_t *>(records.data());
    for (qsizetype i = 0; i < count; ++i)
        refs[i] = first[i].ref;
    records.resize(std::size_t(count) * sizeof(std::uint64_t));
}

void sortToRefs(const char *data, const LongLines &longLines, PageBuffer &records, qsizetype count)
{
    auto *first = reinterpret_cast<Record *>(records.data());
    Sorter(data, longLines).sort(first, first + count, 0, true);
    keepRefs(records, count);
}

} // namespace

LineList LineList::fromBytes(QByteArrayView bytes)
{
    LineList list;
    list.data_.resize(std::size_t(bytes.size()));
    if (!bytes.isEmpty())
        std::memcpy(list.data_.data(), bytes.data(), std::size_t(bytes.size()));
    list.bytes_ = std::uint64_t(bytes.size());
    PageBuffer records;
    cutRecords(list.data_.data(), 0, list.bytes_, list.longLines_, records, list.count_, 0,
               std::numeric_limits<std::uint64_t>::max(), std::string());
    keepRefs(records, list.count_);
    list.lines_ = std::move(records);
    return list;
}

std::uint64_t LineList::lengthOf(std::uint64_t ref) const
{
    return lengthIn(longLines_, ref);
}

QByteArrayView LineList::bytesAt(qsizetype i) const
{
    const std::uint64_t ref = reinterpret_cast<const std::uint64_t *>(lines_.data())[i];
    return QByteArrayView(data_.data() + (ref >> lengthBits), qsizetype(lengthOf(ref)));
}

QString LineList::at(qsizetype i) const
{
    return fromAnsi(bytesAt(i));
}

QStringList LineList::toStringList() const
{
    QStringList list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

void LineList::sort()
{
    if (count_ < 2)
        return;
    PageBuffer records;
    records.resize(std::size_t(count_) * sizeof(Record));
    auto *first = reinterpret_cast<Record *>(records.data());
    const auto *refs = reinterpret_cast<const std::uint64_t *>(lines_.data());
    for (qsizetype i = 0; i < count_; ++i)
        first[i] = {0, refs[i]};
    lines_ = PageBuffer();
    sortToRefs(data_.data(), longLines_, records, count_);
    lines_ = std::move(records);
}

qsizetype LineList::find(QByteArrayView bytes) const
{
    const auto *refs = reinterpret_cast<const std::uint64_t *>(lines_.data());
    const auto less = [this](std::uint64_t ref, QByteArrayView wanted) {
        const QByteArrayView line(data_.data() + (ref >> lengthBits), qsizetype(lengthOf(ref)));
        return line.compare(wanted) < 0;
    };
    const auto *found = std::lower_bound(refs, refs + count_, bytes, less);
    if (found == refs + count_ || bytesAt(found - refs) != bytes)
        return -1;
    return found - refs;
}

bool LineList::grewOnly(int fd, std::uint64_t size) const
{
    // Only a line end before the new bytes lets them be cut on their own: after a
    // CR, an LF would join it, and a line without an end would grow.
    if (!loaded_ || bytes_ == 0 || size < bytes_ || data_.data()[bytes_ - 1] != '\n')
        return false;
    // The bytes already held must still be the file's first bytes: compared
    // whole, as any of them may have been rewritten in place.
    constexpr std::uint64_t chunk = 1 << 20;
    const std::unique_ptr<char[]> buffer(new char[chunk]);
    for (std::uint64_t at = 0; at < bytes_; at += chunk) {
        const std::uint64_t n = std::min(chunk, bytes_ - at);
        int error = 0;
        if (readAt(fd, buffer.get(), n, at, error) != n || std::memcmp(buffer.get(), data_.data() + at, n) != 0)
            return false;
    }
    return true;
}

LineList::Read LineList::loadSorted(const std::string &path, const std::function<void(std::uint64_t)> &starting)
{
    int error = 0;
    const Descriptor file {OpenDataFile(path, O_RDONLY, error)};
    if (file.fd < 0)
        throwOpenError(path, error);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        throwOpenError(path, errno);
    const auto size = std::uint64_t(info.st_size);
    const bool sameFile = loaded_ && std::uint64_t(info.st_dev) == device_ && std::uint64_t(info.st_ino) == inode_;

    // Reading the file whole frees this list first.
    const std::uint64_t budget = memoryBudget();
    const std::uint64_t held = bytes_ + std::uint64_t(count_) * sizeof(std::uint64_t);
    const std::uint64_t wholeBudget = budget > std::numeric_limits<std::uint64_t>::max() - held ? budget : budget + held;
    const bool mayAppend = sameFile && size >= bytes_;
    if (size >= largestSize || (mayAppend ? size - bytes_ > budget : size > wholeBudget))
        throwTooLarge(path, mayAppend ? budget : wholeBudget);

    if (starting)
        starting(size);
    Read read = Read::Whole;
    try {
        if (mayAppend && grewOnly(file.fd, size)) {
            readAppended(file.fd, path, size, budget);
            read = Read::Appended;
        } else {
            if (size > wholeBudget)
                throwTooLarge(path, wholeBudget);
            *this = LineList();
            readAll(file.fd, path, size, wholeBudget);
        }
    } catch (const std::bad_alloc &) {
        *this = LineList();
        throwOutOfMemory(path);
    } catch (...) {
        *this = LineList();
        throw;
    }
    loaded_ = true;
    device_ = std::uint64_t(info.st_dev);
    inode_ = std::uint64_t(info.st_ino);
    return read;
}

void LineList::readAll(int fd, const std::string &path, std::uint64_t size, std::uint64_t budget)
{
    data_.resize(std::size_t(size));
    int error = 0;
    // A file cut short meanwhile gives what was there; one grown meanwhile, what
    // was there when it was opened.
    bytes_ = readAt(fd, data_.data(), size, 0, error);
    if (error != 0)
        throwReadError(path, error);
    PageBuffer records;
    cutRecords(data_.data(), 0, bytes_, longLines_, records, count_, bytes_, budget, path);
    sortToRefs(data_.data(), longLines_, records, count_);
    lines_ = std::move(records);
}

void LineList::readAppended(int fd, const std::string &path, std::uint64_t size, std::uint64_t budget)
{
    const std::uint64_t old = bytes_;
    data_.resize(std::size_t(size));
    int error = 0;
    bytes_ = old + readAt(fd, data_.data() + old, size - old, old, error);
    if (error != 0)
        throwReadError(path, error);

    PageBuffer records;
    qsizetype added = 0;
    cutRecords(data_.data(), old, bytes_, longLines_, records, added, bytes_ - old, budget, path);
    if (added == 0)
        return;
    sortToRefs(data_.data(), longLines_, records, added);

    // Merged from the back: each new line goes after the old ones not greater
    // than it, found by a binary search, so that only the new lines' places are
    // compared and the old references move once.
    lines_.resize(std::size_t(count_ + added) * sizeof(std::uint64_t));
    auto *refs = reinterpret_cast<std::uint64_t *>(lines_.data());
    const auto *fresh = reinterpret_cast<const std::uint64_t *>(records.data());
    const Sorter order(data_.data(), longLines_);
    const auto less = [&order](std::uint64_t a, std::uint64_t b) { return order.less({0, a}, {0, b}); };
    qsizetype end = count_; // old references not yet placed: [0, end)
    for (qsizetype j = added - 1; j >= 0; --j) {
        const qsizetype place = std::upper_bound(refs, refs + end, fresh[j], less) - refs;
        std::memmove(refs + place + j + 1, refs + place, std::size_t(end - place) * sizeof(std::uint64_t));
        refs[place + j] = fresh[j];
        end = place;
    }
    count_ += added;
}

} // namespace tarvo
