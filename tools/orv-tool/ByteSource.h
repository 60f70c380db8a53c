#pragma once

#include <cstddef>
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

    // Up to `max` bytes as they come; 0 at the end of the input.
    [[nodiscard]] std::size_t read(char* buffer, std::size_t max);

    [[nodiscard]] const std::string& name() const { return name_; }

private:
    ByteSource(int fd, bool owned, std::string name, bool isTty = false)
        : fd_(fd), owned_(owned), isTty_(isTty), name_(std::move(name)) {}

    int fd_;
    bool owned_;
    bool isTty_;
    std::string name_;
};

} // namespace orv::tool
