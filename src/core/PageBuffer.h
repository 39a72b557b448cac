// Anonymous memory for a long list: the file's bytes and the lines' references.
// It grows and shrinks in place (mremap), never copied, and is given back to
// the system whole when freed, where the heap would keep it. It asks for no
// huge pages: in a virtual machine, huge pages taken from memory left idle a
// few seconds (which the host has taken back) cost more to clear than the
// small pages' faults, and a user's click always comes after such a pause.
#pragma once

#include <cstddef>

namespace tarvo {

// Throws std::bad_alloc when the system refuses.
class PageBuffer {
public:
    PageBuffer() = default;
    ~PageBuffer();
    PageBuffer(PageBuffer &&other) noexcept;
    PageBuffer &operator=(PageBuffer &&other) noexcept;

    char *data() { return base_; }
    const char *data() const { return base_; }
    std::size_t capacity() const { return capacity_; }

    // Keeps the first bytes. What is added is taken from the system at once,
    // unless `populate` is false: then each page is taken when first written.
    void resize(std::size_t bytes, bool populate = true);

private:
    char *base_ = nullptr;
    std::size_t capacity_ = 0;
};

} // namespace tarvo
