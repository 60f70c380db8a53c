#include "offline/OutputPipe.h"

#include "LogTestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <string>
#include <unistd.h>

namespace orv {
namespace {

constexpr std::size_t kBuffer = 64; // small, so that every test crosses many buffers

// Bytes that show any loss, doubling or reordering: a running count in text.
std::string pattern(std::size_t n, std::size_t seed) {
    std::string s;
    for (std::size_t i = seed; s.size() < n; ++i) {
        s += std::to_string(i) + ',';
    }
    s.resize(n);
    return s;
}

// Pieces of `sizes` bytes written by reserve/commit (up to the buffer size) or append (any size),
// then finish(); returns the file's bytes and checks there was no error.
std::string throughPipe(const std::vector<std::size_t>& sizes, std::string& expected) {
    test::TempDir dir;
    const int fd = ::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    {
        OutputPipe out(fd, kBuffer);
        std::size_t seed = 0;
        for (const std::size_t n : sizes) {
            const std::string piece = pattern(n, seed++);
            expected += piece;
            if (n <= kBuffer && seed % 2 == 0) {
                char* p = out.reserve(n);
                std::memcpy(p, piece.data(), n);
                out.commit(p + n);
            } else {
                out.append(piece);
            }
        }
        EXPECT_FALSE(out.finish());
    }
    ::close(fd);
    return test::readFile(dir.file("out"));
}

TEST(OutputPipe, BytesArriveWholeAndInOrderAroundTheBufferSize) {
    const std::vector<std::vector<std::size_t>> cases = {
        {},
        {0},
        {1},
        {kBuffer - 1, 1, 1},
        {kBuffer},
        {kBuffer, kBuffer, kBuffer},
        {kBuffer + 1},
        {2 * kBuffer - 1, 2 * kBuffer, 2 * kBuffer + 1},
        {10 * kBuffer + 3, 5, kBuffer, 0, 17},
        {33, 33, 33, 33, 33, 33, 33, 33, 33},
    };
    for (const auto& sizes : cases) {
        std::string expected;
        EXPECT_EQ(throughPipe(sizes, expected), expected) << sizes.size();
    }
    // Many pieces of every size up to the buffer's, as a formatter's lines come.
    std::vector<std::size_t> lines;
    for (std::size_t i = 0; i < 5000; ++i) {
        lines.push_back(i % (kBuffer + 1));
    }
    std::string expected;
    EXPECT_EQ(throughPipe(lines, expected), expected);
}

// A pipe read by another thread until `keep` bytes have come, then closed.
struct ClosingReader {
    int fds[2] = {-1, -1};
    std::future<std::string> got;

    explicit ClosingReader(std::size_t keep) {
        EXPECT_EQ(::pipe(fds), 0);
        got = std::async(std::launch::async, [this, keep] {
            std::string s;
            char buf[4096];
            while (s.size() < keep) {
                const ssize_t n = ::read(fds[0], buf, std::min(sizeof buf, keep - s.size()));
                if (n <= 0) {
                    break;
                }
                s.append(buf, static_cast<std::size_t>(n));
            }
            ::close(fds[0]);
            return s;
        });
    }
    ~ClosingReader() { ::close(fds[1]); }
};

class OutputPipeErrors : public ::testing::Test {
protected:
    // A closed pipe must give EPIPE, not end the test program.
    void SetUp() override { old_ = std::signal(SIGPIPE, SIG_IGN); }
    void TearDown() override { std::signal(SIGPIPE, old_); }

private:
    void (*old_)(int) = nullptr;
};

TEST_F(OutputPipeErrors, TheFirstWriteErrorStopsAndIsReturned) {
    const std::string text = pattern(100 * kBuffer, 0);
    for (const std::size_t keep : {std::size_t{0}, kBuffer / 2, 7 * kBuffer}) {
        ClosingReader reader(keep);
        OutputPipe out(reader.fds[1], kBuffer);
        std::size_t written = 0;
        // Goes on as a formatter does until the pipe says it failed (the reader is gone soon).
        while (!out.failed()) {
            out.append(std::string_view(text).substr(written % text.size(), 1));
            ++written;
        }
        EXPECT_EQ(out.finish(), std::errc::broken_pipe) << keep;
        const std::string got = reader.got.get();
        EXPECT_EQ(got.size(), keep);
        EXPECT_EQ(got, text.substr(0, keep)); // what arrived before the error is intact
        // Later bytes are refused, not written.
        out.append("more");
        EXPECT_EQ(out.finish(), std::errc::broken_pipe);
    }
}

TEST_F(OutputPipeErrors, FullDiskAndClosedDescriptor) {
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    {
        OutputPipe out(full, kBuffer);
        out.append(pattern(10 * kBuffer, 0));
        EXPECT_EQ(out.finish(), std::errc::no_space_on_device);
        EXPECT_TRUE(out.failed());
    }
    ::close(full);
    OutputPipe out(-1, kBuffer);
    out.append("x");
    EXPECT_EQ(out.finish(), std::errc::bad_file_descriptor);
}

TEST_F(OutputPipeErrors, DroppedWithoutFinishJoinsWithoutHanging) {
    ClosingReader reader(0); // nobody reads: any write fails
    {
        OutputPipe out(reader.fds[1], kBuffer);
        out.append(pattern(5 * kBuffer, 0));
    }
    { OutputPipe idle(reader.fds[1], kBuffer); }
    EXPECT_EQ(reader.got.get(), "");
}

// The writers stop at a reader that goes away and report it.
TEST_F(OutputPipeErrors, ExportAndCsvReportABrokenPipe) {
    const LogData log = test::wavyLog(200'000, 5);
    const auto temp = test::valuesOf(log, Channel::Temperature);
    const auto ch2 = test::valuesOf(log, Channel::Channel2);
    {
        ClosingReader reader(100'000);
        EXPECT_EQ(writeCsv(reader.fds[1], log, 0, log.size(), {}), std::errc::broken_pipe);
        EXPECT_TRUE(reader.got.get().starts_with("time,temperature (°C),humidity (%)\r\n"));
    }
    {
        ClosingReader reader(100'000);
        ExportSource source;
        EXPECT_EQ(
            writeExport(reader.fds[1], source, 0, temp, ch2, test::textsIn("eng"), EnglishFormat()),
            std::errc::broken_pipe);
        EXPECT_TRUE(reader.got.get().starts_with("Sourcedatarecord: "));
    }
}

} // namespace
} // namespace orv
