#include "offline/MappedFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace orv {
namespace {

// ---- The registry of guarded ranges ----
//
// A fixed array of slots, written by map() and the destructor on ordinary threads and read by the
// SIGBUS handler. Only lock-free atomics: the handler may interrupt a thread anywhere, including
// one that is registering or releasing a slot.
//
// A slot goes Free -> Claimed (its fields are being written) -> Active -> Retiring -> Free. The
// handler announces itself in `users` before it looks at `state`; the releasing thread sets
// Retiring and then waits until `users` is zero before it clears the slot and unmaps the range. So
// the handler never works on a range that is being unmapped, or on a slot that is being reused.

enum SlotState : int { kFree, kClaimed, kActive, kRetiring };

struct Slot {
    std::atomic<int> state{kFree};
    std::atomic<int> users{0};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::size_t> pages{0};
    std::atomic<std::atomic<std::uint32_t>*> firstLost{nullptr};
    std::atomic<std::uint64_t> lost{0};
};

static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(std::atomic<std::uintptr_t>::is_always_lock_free);
static_assert(std::atomic<std::size_t>::is_always_lock_free);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
static_assert(std::atomic<std::atomic<std::uint32_t>*>::is_always_lock_free);

Slot g_slots[MappedFile::kGuardSlots];

// Written once before the handler is installed, read-only afterwards.
std::size_t g_pageSize = 0;
std::size_t g_windowPages = 0;
// A sealed in-memory file of one window of 0xFF bytes. Lost pages are mapped from it, so however
// much of a mapping is lost, it costs one window of memory in all.
int g_lostFd = -1;
struct sigaction g_previous {};

// ---- The SIGBUS handler (async-signal-safe code only) ----

// Replaces the lost pages of `slot` from `page` on, up to the end of its window or to the first
// page already replaced there, whichever comes first. False when the system refused.
bool replaceFrom(Slot& slot, std::size_t page) {
    const std::size_t window = page / g_windowPages;
    const auto inWindow = static_cast<std::uint32_t>(page % g_windowPages);
    std::atomic<std::uint32_t>& firstLost = slot.firstLost.load()[window];
    // Claim pages [inWindow, replacedFrom) for this thread. Claims never overlap, so every page is
    // replaced and counted once even when several threads fault in the same window at once.
    std::uint32_t replacedFrom = firstLost.load();
    while (inWindow < replacedFrom && !firstLost.compare_exchange_weak(replacedFrom, inWindow)) {
    }
    if (inWindow >= replacedFrom) {
        return true; // another thread has claimed the page; the retried read waits for it
    }
    const std::size_t count = replacedFrom - inWindow;
    auto* target = reinterpret_cast<void*>(slot.begin.load() + page * g_pageSize);
    // mmap is not on POSIX's list of async-signal-safe functions, but on Linux it is a plain system
    // call: no lock or allocation in user space, and the kernel's own lock on the address space is
    // not held by a thread while a signal is delivered to it. MAP_FIXED swaps the pages in one
    // step under that lock, so a concurrent reader sees either the lost file page (and faults) or
    // the full window of 0xFF, never anything in between.
    void* const mapped = mmap(target, count * g_pageSize, PROT_READ, MAP_SHARED | MAP_FIXED,
                              g_lostFd, static_cast<off_t>(inWindow * g_pageSize));
    if (mapped == MAP_FAILED) {
        return false;
    }
    slot.lost.fetch_add(count);
    return true;
}

// True when `address` lies in a guarded range and its page now reads as lost.
bool replaceLostPages(const void* address) {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    for (Slot& slot : g_slots) {
        if (slot.state.load() == kFree) {
            continue;
        }
        slot.users.fetch_add(1);
        bool ours = false;
        bool replaced = false;
        if (slot.state.load() == kActive) {
            const std::uintptr_t begin = slot.begin.load();
            if (a >= begin && a - begin < slot.pages.load() * g_pageSize) {
                ours = true;
                replaced = replaceFrom(slot, (a - begin) / g_pageSize);
            }
        }
        slot.users.fetch_sub(1);
        if (ours) {
            return replaced;
        }
    }
    return false;
}

// A SIGBUS that is not ours goes where it would have gone without us.
void forward(int sig, siginfo_t* info, void* context) {
    const struct sigaction& prev = g_previous;
    if (prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN) {
        if ((prev.sa_flags & SA_SIGINFO) != 0) {
            prev.sa_sigaction(sig, info, context);
        } else {
            prev.sa_handler(sig);
        }
        return;
    }
    const bool sent = info == nullptr || info->si_code <= 0; // kill(), raise(), sigqueue()
    if (sent && prev.sa_handler == SIG_IGN) {
        return; // was ignored before us; a fault the system does not let a program ignore
    }
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(SIGBUS, &byDefault, nullptr);
    if (sent) {
        // Blocked while this handler runs: delivered, and fatal, as soon as it returns.
        raise(SIGBUS);
    }
    // A fault: the faulting access repeats on return and the default action ends the process.
}

void onSigbus(int sig, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const bool fault = info != nullptr && info->si_code > 0;
    if (!fault || !replaceLostPages(info->si_addr)) {
        forward(sig, info, context);
    }
    errno = savedErrno;
}

// ---- Set-up on an ordinary thread ----

std::string systemError(const char* what, int error) {
    return std::string(what) + ": " + std::system_category().message(error);
}

// The in-memory window of 0xFF bytes, sealed so that nothing can change it.
std::string makeLostWindow() {
    const std::size_t bytes = g_windowPages * g_pageSize;
    const int fd = memfd_create("orv-lost-pages", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        return systemError("memfd_create", errno);
    }
    if (ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        const int error = errno;
        close(fd);
        return systemError("ftruncate", error);
    }
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        const int error = errno;
        close(fd);
        return systemError("mmap", error);
    }
    std::memset(p, 0xFF, bytes);
    munmap(p, bytes);
    // Without the seals the window would still work; they only guard against mistakes.
    (void)fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    g_lostFd = fd;
    return {};
}

std::string installHandler() {
    g_pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    g_windowPages = std::max<std::size_t>(1, MappedFile::kWindowBytes / g_pageSize);
    if (std::string error = makeLostWindow(); !error.empty()) {
        return error;
    }
    // The previous action is read first and the handler installed second, so the handler never
    // runs before g_previous is complete.
    if (sigaction(SIGBUS, nullptr, &g_previous) != 0) {
        return systemError("sigaction", errno);
    }
    struct sigaction ours {};
    ours.sa_sigaction = &onSigbus;
    sigemptyset(&ours.sa_mask);
    // SA_SIGINFO: the fault address. SA_ONSTACK: a thread that has an alternate signal stack
    // (because its own may be exhausted) uses it. SA_RESTART: a kill()-sent SIGBUS that is passed
    // on to a previous handler does not make interrupted system calls fail with EINTR. No
    // SA_NODEFER: a second SIGBUS on the same thread waits until the handler has returned.
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    if (sigaction(SIGBUS, &ours, nullptr) != 0) {
        return systemError("sigaction", errno);
    }
    return {};
}

// Empty once the handler is installed; installs it on the first call (thread-safe).
const std::string& guardError() {
    static const std::string error = installHandler();
    return error;
}

int claimSlot(std::uintptr_t begin, std::size_t pages, std::atomic<std::uint32_t>* firstLost) {
    for (std::size_t i = 0; i < MappedFile::kGuardSlots; ++i) {
        Slot& slot = g_slots[i];
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kClaimed)) {
            slot.begin.store(begin);
            slot.pages.store(pages);
            slot.firstLost.store(firstLost);
            slot.lost.store(0);
            slot.state.store(kActive);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void releaseSlot(int index) {
    Slot& slot = g_slots[index];
    slot.state.store(kRetiring);
    while (slot.users.load() != 0) {
        sched_yield(); // a handler on another thread is looking at the slot; it is short
    }
    slot.begin.store(0);
    slot.pages.store(0);
    slot.firstLost.store(nullptr);
    slot.state.store(kFree);
}

} // namespace

std::variant<MappedFile, std::string> MappedFile::map(int fd, std::size_t bytes) {
    if (bytes == 0) {
        return MappedFile{};
    }
    if (const std::string& error = guardError(); !error.empty()) {
        return "cannot guard mapped files (" + error + ")";
    }
    const std::size_t pages = (bytes + g_pageSize - 1) / g_pageSize;
    const std::size_t windows = (pages + g_windowPages - 1) / g_windowPages;
    auto firstLost = std::make_unique<std::atomic<std::uint32_t>[]>(windows);
    for (std::size_t w = 0; w < windows; ++w) {
        firstLost[w].store(
            static_cast<std::uint32_t>(std::min(g_windowPages, pages - w * g_windowPages)));
    }

    void* p = mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        return std::system_category().message(errno);
    }
    // A full registry refuses the mapping rather than handing out an unguarded one: the caller
    // reads the file into memory instead, which a shortened file cannot crash.
    const int slot = claimSlot(reinterpret_cast<std::uintptr_t>(p), pages, firstLost.get());
    if (slot < 0) {
        munmap(p, bytes);
        return "too many files mapped at once (" + std::to_string(kGuardSlots) + ")";
    }
    MappedFile m;
    m.data_ = static_cast<unsigned char*>(p);
    m.size_ = bytes;
    m.slot_ = slot;
    m.firstLost_ = std::move(firstLost);
    return m;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      slot_(std::exchange(other.slot_, -1)), firstLost_(std::move(other.firstLost_)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        slot_ = std::exchange(other.slot_, -1);
        firstLost_ = std::move(other.firstLost_);
    }
    return *this;
}

MappedFile::~MappedFile() {
    release();
}

void MappedFile::release() noexcept {
    if (slot_ >= 0) {
        releaseSlot(slot_); // before munmap: the handler must not patch a range that is gone
        slot_ = -1;
    }
    if (data_ != nullptr) {
        munmap(data_, size_); // the replaced windows lie inside the range and go with it
        data_ = nullptr;
        size_ = 0;
    }
    firstLost_.reset();
}

std::uint64_t MappedFile::lostPages() const {
    return slot_ >= 0 ? g_slots[slot_].lost.load(std::memory_order_relaxed) : 0;
}

bool MappedFile::markLostFrom(std::size_t fileSize) {
    if (data_ == nullptr || fileSize >= size_ || fileSize % g_pageSize == 0) {
        return true;
    }
    const std::size_t start = fileSize / g_pageSize * g_pageSize;
    void* fresh =
        mmap(nullptr, g_pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (fresh == MAP_FAILED) {
        return false;
    }
    auto* bytes = static_cast<unsigned char*>(fresh);
    // The page the file ends in never faults: its bytes up to the end are the file's.
    std::memcpy(bytes, data_ + start, fileSize - start);
    std::memset(bytes + (fileSize - start), 0xFF, g_pageSize - (fileSize - start));
    if (mprotect(fresh, g_pageSize, PROT_READ) != 0 ||
        mremap(fresh, g_pageSize, g_pageSize, MREMAP_MAYMOVE | MREMAP_FIXED, data_ + start) ==
            MAP_FAILED) {
        munmap(fresh, g_pageSize);
        return false;
    }
    return true;
}

void MappedFile::adviseWillNeed() const {
    if (data_ != nullptr) {
        (void)madvise(data_, size_, MADV_WILLNEED);
    }
}

} // namespace orv
