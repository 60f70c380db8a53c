#include "offline/RecordBuffer.h"

#include <new>
#include <sys/mman.h>

namespace orv {
namespace {

// Below this a huge page would mostly stay empty.
constexpr std::size_t kMapThreshold = std::size_t{4} << 20;

} // namespace

RecordBuffer::RecordBuffer(std::size_t bytes) : size_(bytes) {
    if (bytes < kMapThreshold) {
        data_ = std::unique_ptr<unsigned char[], RecordBufferRelease>(new unsigned char[bytes],
                                                                      RecordBufferRelease{});
        return;
    }
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        throw std::bad_alloc();
    }
#ifdef MADV_HUGEPAGE
    ::madvise(p, bytes, MADV_HUGEPAGE);
#endif
    // The pages in one pass of the kernel, before the loader's threads write them: faulting them
    // in one by one from two threads at once costs more than the whole pass.
    constexpr int kPopulateWrite = 23; // MADV_POPULATE_WRITE (Linux 5.14); older kernels refuse it
    ::madvise(p, bytes, kPopulateWrite);
    data_ = std::unique_ptr<unsigned char[], RecordBufferRelease>(static_cast<unsigned char*>(p),
                                                                  RecordBufferRelease{bytes});
}

void RecordBufferRelease::operator()(unsigned char* p) const {
    if (mappedBytes > 0) {
        ::munmap(p, mappedBytes);
    } else {
        delete[] p;
    }
}

} // namespace orv
