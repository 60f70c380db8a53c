#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace orv {

// The settings file, one value per call. Every call opens, reads or writes and closes the file,
// so other programs (or a second copy of this one) may edit it in between. Readers never fail:
// a missing file, section or key, or an empty value gives the caller's default. Writers return
// whether the value is now stored; the program carries on with its values in memory when it is
// not, so callers may ignore the result.
class IniStore {
public:
    explicit IniStore(std::filesystem::path iniFile) : iniFile_(std::move(iniFile)) {}

    [[nodiscard]] const std::filesystem::path& path() const { return iniFile_; }

    // At most 31 characters of the stored number are read; out of range gives the default.
    [[nodiscard]] std::int16_t ReadIniInt(std::string_view section, std::string_view key,
                                          std::int16_t fallback) const;
    [[nodiscard]] std::int32_t ReadIniLong(std::string_view section, std::string_view key,
                                           std::int32_t fallback) const;
    // At most 19 characters; "1", "ON", "TRUE", "-1" / "0", "OFF", "FALSE" in any case.
    [[nodiscard]] bool ReadIniBool(std::string_view section, std::string_view key,
                                   bool fallback) const;
    // At most 255 characters. An empty stored value reads as the default.
    [[nodiscard]] std::string ReadIniString(std::string_view section, std::string_view key,
                                            std::string_view fallback) const;

    bool WriteIniInt(std::string_view section, std::string_view key, std::int16_t value);
    bool WriteIniLong(std::string_view section, std::string_view key, std::int32_t value);
    // Stored as "1" or "0", so ReadIniInt of the same key gives 1 or 0.
    bool WriteIniBool(std::string_view section, std::string_view key, bool value);
    // Refused (returns false) for text with a line break or NUL, which would corrupt the file.
    bool WriteIniString(std::string_view section, std::string_view key, std::string_view value);

private:
    [[nodiscard]] std::string fetch(std::string_view section, std::string_view key,
                                    std::size_t maxChars) const;

    std::filesystem::path iniFile_;
};

} // namespace orv
