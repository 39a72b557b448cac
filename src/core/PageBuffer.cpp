#include "core/PageBuffer.h"

#include <new>
#include <utility>
#include <sys/mman.h>
#include <unistd.h>

namespace tarvo {

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

void PageBuffer::resize(std::size_t bytes, bool populate)
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
    // What is added is written at once: its pages are taken in one call rather
    // than one fault each. (Advice only: an older kernel refuses it.)
    if (wanted > now && populate)
        ::madvise(static_cast<char *>(moved) + now, wanted - now, MADV_POPULATE_WRITE);
    base_ = static_cast<char *>(moved);
    capacity_ = wanted == 0 ? 0 : bytes;
}

} // namespace tarvo
