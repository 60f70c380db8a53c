#include "offline/MappedFile.h"

#include "support/TempDir.h"

#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <latch>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace orv {
namespace {

const std::size_t kPage = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
const std::size_t kWindowPages = MappedFile::kWindowBytes / kPage;

// The file's byte at `offset`: never 0xFF, so a lost byte cannot pass for a file byte.
unsigned char fileByte(std::size_t offset) {
    return static_cast<unsigned char>((offset * 7 + 3) % 251);
}

std::size_t pagesFor(std::size_t bytes) {
    return (bytes + kPage - 1) / kPage;
}

// What a mapping of a file of `size` bytes reads at `offset` once the file was cut to `cut`
// bytes: the file's bytes up to the cut, zeros to the end of that page, 0xFF in whole lost pages.
unsigned char expectedByte(std::size_t offset, std::size_t cut) {
    if (offset < cut) {
        return fileByte(offset);
    }
    return offset < pagesFor(cut) * kPage ? 0x00 : 0xFF;
}

// Reads bytes [from, to) of `m` (backwards if asked) and describes the first one that is not
// what expectedByte() says; empty when all are.
std::string checkBytes(const MappedFile& m, std::size_t cut, std::size_t from, std::size_t to,
                       bool backwards = false) {
    for (std::size_t n = from; n < to; ++n) {
        const std::size_t i = backwards ? to - 1 - (n - from) : n;
        const unsigned char got = m.data()[i];
        if (got != expectedByte(i, cut)) {
            return "byte " + std::to_string(i) + " reads " + std::to_string(got) + ", expected " +
                   std::to_string(expectedByte(i, cut));
        }
    }
    return {};
}

class MappedFileTest : public ::testing::Test {
protected:
    // A file of `size` bytes of fileByte().
    std::string makeFile(const std::string& name, std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>(fileByte(i));
        }
        const auto path = dir_.file(name).string();
        test::writeFile(path, bytes);
        return path;
    }

    // The first `bytes` bytes of the file mapped; the descriptor is closed again.
    static MappedFile mapFile(const std::string& path, std::size_t bytes) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0) << path;
        auto result = MappedFile::map(fd, bytes);
        ::close(fd);
        if (auto* error = std::get_if<std::string>(&result)) {
            ADD_FAILURE() << "map failed: " << *error;
            return {};
        }
        return std::move(std::get<MappedFile>(result));
    }

    // Shortens the file through a descriptor of its own, as another program would.
    static void cutFile(const std::string& path, std::size_t size) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ::close(fd);
    }

    // Has another program, truncate(1), shorten the file.
    static void cutFileByProgram(const std::string& path, std::size_t size) {
        const std::string sizeText = std::to_string(size);
        const char* argv[] = {"truncate", "-s", sizeText.c_str(), path.c_str(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(
            posix_spawnp(&pid, "truncate", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    test::TempDir dir_;
};

struct CutCase {
    const char* name;
    std::size_t fileBytes;
    std::size_t cut;
    bool backwards = false; // read the part past the cut from its end to its start
    bool byProgram = false; // truncate(1) cuts the file, after all of it was read once
};

// The cases are built at run time: the page size is the system's.
std::vector<CutCase> cutCases() {
    const std::size_t p = kPage;
    const std::size_t w = kWindowPages * p;
    return {
        {"CutToNothing", 8 * p, 0},
        {"CutMidPage", 8 * p, 3 * p + p / 2},
        {"CutAtPageEdge", 8 * p, 4 * p},
        {"CutOneByteShort", 8 * p, 8 * p - 1}, // only zeros past the cut, no lost page
        {"NotCut", 8 * p, 8 * p},
        {"FileEndsMidPageCutAtLastPage", 7 * p + 100, 7 * p},
        {"CutToNothingReadBackwards", 8 * p, 0, true},
        // Lost pages over several windows, read in both directions: each page counts once.
        {"SeveralWindows", 2 * w + 3 * p + 11, w - 5 * p + 17},
        {"SeveralWindowsReadBackwards", 2 * w + 3 * p + 11, w - 5 * p + 17, true},
        {"CutByAnotherProgram", 2 * w + 5 * p, 3 * p + 1000, false, true},
    };
}

class MappedFileCutTest : public MappedFileTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(MappedFileCutTest, BytesPastTheCutReadAsLost) {
    const CutCase& c = GetParam();
    const auto path = makeFile("log.dat", c.fileBytes);
    const MappedFile m = mapFile(path, c.fileBytes);
    ASSERT_EQ(m.size(), c.fileBytes);
    // A file mapped beside it and left alone loses nothing.
    const MappedFile kept = mapFile(makeFile("kept.dat", c.fileBytes), c.fileBytes);
    if (c.byProgram) {
        ASSERT_EQ(checkBytes(m, c.fileBytes, 0, c.fileBytes), ""); // in the page cache
        cutFileByProgram(path, c.cut);
    } else {
        cutFile(path, c.cut);
    }
    EXPECT_EQ(m.lostPages(), 0u);

    // The bytes before the cut are the file's, and reading them loses nothing.
    ASSERT_EQ(checkBytes(m, c.cut, 0, c.cut), "");
    EXPECT_EQ(m.lostPages(), 0u);

    ASSERT_EQ(checkBytes(m, c.cut, c.cut, c.fileBytes, c.backwards), "");
    const std::uint64_t lost = pagesFor(c.fileBytes) - pagesFor(c.cut);
    EXPECT_EQ(m.lostPages(), lost);

    // Records' floats sit at odd offsets: every one in a lost page is a NaN.
    std::size_t nans = 0;
    for (std::size_t at = 47; at + sizeof(float) <= c.fileBytes; at += 8) {
        if (at >= pagesFor(c.cut) * kPage) {
            float f;
            std::memcpy(&f, m.data() + at, sizeof f);
            EXPECT_TRUE(std::isnan(f)) << "float at " << at;
            ++nans;
        }
    }
    EXPECT_EQ(nans > 0, lost > 0);
    // Lost pages stay lost when read again.
    EXPECT_EQ(checkBytes(m, c.cut, 0, c.fileBytes), "");
    EXPECT_EQ(m.lostPages(), lost);

    EXPECT_EQ(checkBytes(kept, c.fileBytes, 0, c.fileBytes), "");
    EXPECT_EQ(kept.lostPages(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cuts, MappedFileCutTest, ::testing::ValuesIn(cutCases()),
                         [](const auto& tc) { return std::string(tc.param.name); });

// Once the caller knows where the file ends now, the rest of the page it ends in reads as lost
// too; the bytes before the end stay the file's.
TEST_F(MappedFileTest, TheRestOfThePageTheFileEndsInCanBeMarkedLost) {
    const std::size_t p = kPage;
    // file size, new end
    const std::pair<std::size_t, std::size_t> cases[] = {
        {8 * p, 3 * p + 47}, {8 * p, 1}, {8 * p, 4 * p}, {8 * p, 8 * p}, {7 * p + 100, 7 * p + 50}};
    for (const auto& [size, end] : cases) {
        const std::string where = std::to_string(size) + " cut to " + std::to_string(end);
        const auto path = makeFile("marked.dat", size);
        MappedFile m = mapFile(path, size);
        cutFile(path, end);
        ASSERT_TRUE(m.markLostFrom(end)) << where;
        ASSERT_TRUE(m.markLostFrom(end)) << where; // a second time changes nothing
        for (std::size_t i = 0; i < size; ++i) {
            const unsigned char expected = i < end ? fileByte(i) : 0xFF;
            ASSERT_EQ(m.data()[i], expected) << where << ", byte " << i;
        }
    }
}

TEST_F(MappedFileTest, ThreadsReadingAShortenedFileTogether) {
    const std::size_t size = 3 * MappedFile::kWindowBytes + 5 * kPage;
    const std::size_t cut = MappedFile::kWindowBytes + 3 * kPage + 10;
    const auto path = makeFile("log.dat", size);
    const MappedFile m = mapFile(path, size);
    cutFile(path, cut);

    // One thread reads forwards and one backwards, so they meet in the same windows.
    std::latch start(2);
    std::string problems[2];
    auto scan = [&](int who) {
        start.arrive_and_wait();
        for (int round = 0; round < 3 && problems[who].empty(); ++round) {
            problems[who] = checkBytes(m, cut, 0, size, who == 1);
        }
    };
    std::thread forwards(scan, 0);
    std::thread backwards(scan, 1);
    forwards.join();
    backwards.join();

    EXPECT_EQ(problems[0], "");
    EXPECT_EQ(problems[1], "");
    EXPECT_EQ(m.lostPages(), pagesFor(size) - pagesFor(cut));
}

TEST_F(MappedFileTest, EmptyAndMovedFromMappingsAreInert) {
    const auto path = makeFile("log.dat", 4 * kPage);
    const MappedFile empty = mapFile(path, 0);
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.lostPages(), 0u);
    empty.adviseWillNeed();

    MappedFile first = mapFile(path, 4 * kPage);
    MappedFile moved(std::move(first));
    EXPECT_EQ(first.data(), nullptr); // NOLINT(bugprone-use-after-move): what is left is empty
    EXPECT_EQ(first.size(), 0u);
    EXPECT_EQ(first.lostPages(), 0u);

    // Assigning over a mapping releases it; the guard travels with the moved range.
    MappedFile target = mapFile(makeFile("other.dat", kPage), kPage);
    target = std::move(moved);
    ASSERT_EQ(target.size(), 4 * kPage);
    cutFile(path, kPage);
    EXPECT_EQ(checkBytes(target, kPage, 0, 4 * kPage), "");
    EXPECT_EQ(target.lostPages(), 3u);
}

TEST_F(MappedFileTest, AFullRegistryRefusesAndReleasedSlotsAreReused) {
    const auto path = makeFile("log.dat", kPage);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::vector<MappedFile> maps;
    for (std::size_t i = 0; i < MappedFile::kGuardSlots; ++i) {
        auto r = MappedFile::map(fd, kPage);
        ASSERT_TRUE(std::holds_alternative<MappedFile>(r)) << i << ": " << std::get<std::string>(r);
        maps.push_back(std::move(std::get<MappedFile>(r)));
    }
    auto refused = MappedFile::map(fd, kPage);
    ASSERT_TRUE(std::holds_alternative<std::string>(refused));
    EXPECT_NE(std::get<std::string>(refused).find("too many"), std::string::npos);

    maps.erase(maps.begin() + 17);
    auto again = MappedFile::map(fd, kPage);
    EXPECT_TRUE(std::holds_alternative<MappedFile>(again));
    ::close(fd);
}

TEST_F(MappedFileTest, TheSystemsRefusalIsReported) {
    auto r = MappedFile::map(-1, kPage);
    ASSERT_TRUE(std::holds_alternative<std::string>(r));
    EXPECT_EQ(std::get<std::string>(r), std::strerror(EBADF));
}

// ---- SIGBUS that is not ours ----------------------------------------------------------------

// A raw mapping of a two-page file shortened to nothing; reading its second page faults.
const volatile unsigned char* unguardedLostPage(const std::string& path, void* at = nullptr) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    void* p = mmap(at, 2 * kPage, PROT_READ, MAP_SHARED | (at ? MAP_FIXED_NOREPLACE : 0), fd, 0);
    const bool cut = ::ftruncate(fd, 0) == 0;
    ::close(fd);
    if (p == MAP_FAILED || !cut || (at != nullptr && p != at)) {
        return nullptr;
    }
    return static_cast<const unsigned char*>(p) + kPage;
}

// AddressSanitizer and ThreadSanitizer install SIGBUS handlers of their own before main().
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitizer = true;
#else
constexpr bool kSanitizer = false;
#endif
#else
constexpr bool kSanitizer = false;
#endif

// Dies as it would without the guard: killed by SIGBUS, or, under a sanitizer, whose handler
// comes before ours and is passed the signal, by its report and exit.
bool diedOfSigbus(int status) {
    if (kSanitizer) {
        return WIFEXITED(status) && WEXITSTATUS(status) != 0;
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS;
}
const char* const kSigbusReport = kSanitizer ? "Sanitizer: BUS" : "";

class MappedFileDeathTest : public MappedFileTest {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    // A mapping exists, so the handler is installed.
    void installGuard() { guard_ = mapFile(makeFile("guarded.dat", kPage), kPage); }

    std::optional<MappedFile> guard_;
};

TEST_F(MappedFileDeathTest, AFaultOutsideEveryMappingStillKills) {
    installGuard();
    const auto raw = unguardedLostPage(makeFile("raw.dat", 2 * kPage));
    ASSERT_NE(raw, nullptr);
    EXPECT_EXIT((void)*raw, diedOfSigbus, kSigbusReport);
}

TEST_F(MappedFileDeathTest, ASentSigbusStillKills) {
    installGuard();
    EXPECT_EXIT(raise(SIGBUS), diedOfSigbus, kSigbusReport);
    EXPECT_EXIT(kill(getpid(), SIGBUS), diedOfSigbus, kSigbusReport);
    EXPECT_EXIT(sigqueue(getpid(), SIGBUS, sigval{}), diedOfSigbus, kSigbusReport);
}

TEST_F(MappedFileDeathTest, AReleasedRangeIsNoLongerGuarded) {
    installGuard();
    const auto path = makeFile("log.dat", 2 * kPage);
    void* at = nullptr;
    {
        const MappedFile m = mapFile(path, 2 * kPage);
        at = const_cast<unsigned char*>(m.data());
    }
    // The same addresses, now mapped without a guard.
    const auto raw = unguardedLostPage(makeFile("raw.dat", 2 * kPage), at);
    if (raw == nullptr) {
        GTEST_SKIP() << "the released addresses were taken again";
    }
    EXPECT_EXIT((void)*raw, diedOfSigbus, kSigbusReport);
}

// The program's own earlier SIGBUS handlers still see every SIGBUS that is not a lost page.
volatile const void* g_faultAddress = nullptr;

void previousWithInfo(int, siginfo_t* info, void*) {
    _exit(info->si_code > 0 && info->si_addr == g_faultAddress ? 42 : 41);
}
void previousPlain(int) {
    _exit(43);
}

void installPrevious(bool withInfo) {
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    if (withInfo) {
        sa.sa_flags = SA_SIGINFO;
        sa.sa_sigaction = previousWithInfo;
    } else {
        sa.sa_handler = previousPlain;
    }
    sigaction(SIGBUS, &sa, nullptr);
}

TEST_F(MappedFileDeathTest, EarlierHandlersGetWhatIsNotOurs) {
    const auto rawPath = makeFile("raw.dat", 2 * kPage);
    // Inside the child process: the earlier handler, then the first mapping, then the signal.
    auto fault = [&](bool withInfo) {
        installPrevious(withInfo);
        installGuard();
        const auto raw = unguardedLostPage(rawPath);
        g_faultAddress = const_cast<const unsigned char*>(raw);
        (void)*raw;
    };
    EXPECT_EXIT(fault(true), ::testing::ExitedWithCode(42), "");
    EXPECT_EXIT(fault(false), ::testing::ExitedWithCode(43), "");
    EXPECT_EXIT((installPrevious(false), installGuard(), raise(SIGBUS)),
                ::testing::ExitedWithCode(43), "");
}

TEST_F(MappedFileDeathTest, AnIgnoredSigbusStaysIgnoredUnlessItIsAFault) {
    const auto rawPath = makeFile("raw.dat", 2 * kPage);
    auto ignoreThenInstall = [&] {
        signal(SIGBUS, SIG_IGN);
        installGuard();
    };
    EXPECT_EXIT((ignoreThenInstall(), kill(getpid(), SIGBUS), _exit(7)),
                ::testing::ExitedWithCode(7), "");
    // No sanitizer's handler here: SIG_IGN replaced it.
    EXPECT_EXIT((ignoreThenInstall(), (void)*unguardedLostPage(rawPath)),
                ::testing::KilledBySignal(SIGBUS), "");
}

} // namespace
} // namespace orv
