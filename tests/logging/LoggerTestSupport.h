#pragma once

#include "core/Texts.h"

#include <csignal>
#include <map>
#include <string>
#include <sys/resource.h>

namespace orv::test {

// The logger's texts of the string table in one language.
class FixedTexts final : public Texts {
public:
    explicit FixedTexts(bool german) {
        if (german) {
            table_ = {{231, " inaktiv (keine Datei geöffnet) "},
                      {236, "inaktiv: "},
                      {237, "aktiv: "},
                      {239, "abgeschlossene Logdatei: "},
                      {249, "Intervall(s): "}};
        } else {
            table_ = {{231, " inactive (no open file) "},
                      {236, "inactive: "},
                      {237, "active: "},
                      {239, "finished logfile: "},
                      {249, "Interval(s): "}};
        }
    }
    [[nodiscard]] std::optional<std::string> text(int germanId) const override {
        const auto it = table_.find(germanId);
        return it == table_.end() ? std::nullopt : std::optional(it->second);
    }

private:
    std::map<int, std::string> table_;
};

// Makes writes beyond `bytes` fail with EFBIG, the way a full disk refuses them, until the scope
// ends. SIGXFSZ is ignored meanwhile so the process survives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = saved_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace orv::test
