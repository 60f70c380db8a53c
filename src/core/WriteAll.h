#pragma once

#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace orv {

// Writes the whole of `bytes` to `fd`, going on after short writes and interrupted calls; false
// (errno set) on failure.
[[nodiscard]] inline bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace orv
