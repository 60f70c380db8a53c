#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace orv::tool {

// An input the tools read sensor text from: standard input, a file, a TCP connection or a serial
// device. Opening failures and read errors throw ToolError with a one-line message.
class ByteSource {
public:
    static ByteSource standardInput();
    static ByteSource file(const std::string& path);
    // "HOST:PORT", the host may be "[v6-address]".
    static ByteSource tcp(const std::string& hostPort);
    // Opened raw at 9600 baud, 8 data bits, no parity, 1 stop bit.
    static ByteSource serial(const std::string& device);

    ByteSource(ByteSource&& other) noexcept;
    ByteSource& operator=(ByteSource&&) = delete;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;
    ~ByteSource();

    // Up to `max` bytes as they come; 0 at the end of the input. With `timeoutMs` >= 0, nullopt
    // when nothing arrived for that long. A link (TCP or serial) that ends says why in
    // endReason(); a read error of a file or standard input throws ToolError.
    [[nodiscard]] std::optional<std::size_t> read(char* buffer, std::size_t max,
                                                  int timeoutMs = -1);

    [[nodiscard]] const std::string& name() const { return name_; }
    // TCP and serial sources are links: their end is a lost connection, not the end of the data.
    [[nodiscard]] bool isLink() const { return kind_ != Kind::Plain; }
    [[nodiscard]] const std::string& endReason() const { return endReason_; }

private:
    enum class Kind { Plain, Tcp, Serial };

    ByteSource(int fd, bool owned, std::string name, Kind kind = Kind::Plain)
        : fd_(fd), owned_(owned), kind_(kind), name_(std::move(name)) {}

    int fd_;
    bool owned_;
    Kind kind_;
    std::string name_;
    std::string endReason_;
};

} // namespace orv::tool
