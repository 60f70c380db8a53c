#pragma once

// The C library's locale of the test process, switched for one scope: what QApplication does on
// a German desktop (setlocale(LC_ALL, "") with LANG=de_DE.UTF-8), done on purpose. The locales
// are real system locales; scripts/bootstrap generates de_DE.UTF-8 and en_US.UTF-8.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace orv::test {

// The two desktop locales every number and date text is checked under.
inline constexpr const char* kDesktopLocales[] = {"de_DE.UTF-8", "en_US.UTF-8"};

class ScopedCLocale {
public:
    explicit ScopedCLocale(const char* name) {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        previous_ = previous ? previous : "C";
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
        if (!ok_) {
            ADD_FAILURE() << "the locale " << name
                          << " is not installed on this machine (scripts/bootstrap generates it)";
        }
    }
    ~ScopedCLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

    // Whether the switch took place.
    [[nodiscard]] bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_ = false;
};

} // namespace orv::test
