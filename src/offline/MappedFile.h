#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace orv {

// The first `bytes` bytes of an open file, mapped read-only and shared with the page cache.
//
// Another program may shorten the file while it is mapped, or its storage may fail (a network
// share going away). Reading such a page would normally kill the program with SIGBUS. A
// process-wide SIGBUS handler (installed the first time a mapping is made) instead puts pages
// reading 0xFF in place of the lost ones, counts them, and lets the read go on. Every float read
// from lost pages, at any byte alignment, is a NaN, which the program treats as "no value".
//
// Only whole pages past the new end are lost pages. In the page that holds the new end, the bytes
// past it read as zero (the system fills the rest of that page with zeros and it does not fault).
// A caller that must know exactly where the data ends checks the file's size again after reading.
//
// Faults inside system calls are not signals: handing lost bytes of a mapping to write() fails
// with EFAULT instead.
class MappedFile {
public:
    // Mappings guarded at once; map() refuses more (the caller then reads the file instead).
    static constexpr std::size_t kGuardSlots = 256;
    // At most this much of a mapping is replaced per fault: from the faulting page to the end of
    // its window (the range is cut into windows of this size). The pages after the faulting one
    // read as lost from then on even if they could still be read; after a cut they all lie past
    // the end anyway. However many windows are lost, they share one window of memory.
    static constexpr std::size_t kWindowBytes = std::size_t{2} << 20;

    MappedFile() = default; // nothing mapped

    // Maps bytes [0, bytes) of `fd` (the fd may be closed afterwards). Returns the error text when
    // the system refuses or when kGuardSlots mappings are guarded already. bytes == 0 gives an
    // empty mapping, no error.
    [[nodiscard]] static std::variant<MappedFile, std::string> map(int fd, std::size_t bytes);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile(); // stops guarding the range, then unmaps it

    // nullptr when nothing is mapped.
    [[nodiscard]] const unsigned char* data() const { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }

    // Pages of the mapping that could no longer be read from the file (it was shortened after it
    // was mapped, or its storage failed) and now read as lost: every byte 0xFF. Counted as they
    // are replaced, a window's rest at a time, so it may run ahead of what has been read; each
    // page counts once, however many threads fault on it. 0 while intact.
    [[nodiscard]] std::uint64_t lostPages() const;

    // The file now ends at `fileSize` (a caller that saw lostPages() rise looked it up): the bytes
    // of the page it ends in past that point read as lost (0xFF) from now on too, instead of the
    // zeros the system gives them. The page is replaced in one step, so a reader sees either the
    // old page or the new one. Nothing happens when the file ends at a page edge or past the
    // mapping. Returns false when the system refused the memory for the page.
    bool markLostFrom(std::size_t fileSize);

    // Asks the system to read the whole range ahead (madvise WILLNEED); only a hint.
    void adviseWillNeed() const;

private:
    void release() noexcept;

    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    int slot_ = -1; // registry slot guarding the range, -1 when nothing is mapped
    // Per window of the range: the first page (counted from the window's start) that has been
    // replaced; the window's page count while none is. Read and written by the SIGBUS handler.
    std::unique_ptr<std::atomic<std::uint32_t>[]> firstLost_;
};

} // namespace orv
