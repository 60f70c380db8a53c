#include "state/IniStore.h"

#include "state/IniDecode.h"
#include "state/IniFile.h"

namespace orv {

std::string IniStore::fetch(std::string_view section, std::string_view key,
                            std::size_t maxChars) const {
    const std::optional<std::string> stored = ini::readValue(iniFile_, section, key);
    if (!stored) {
        return {};
    }
    return std::string(ini::cutStoredText(*stored, maxChars));
}

std::int16_t IniStore::ReadIniInt(std::string_view section, std::string_view key,
                                  std::int16_t fallback) const {
    return ini::decodeInt(fetch(section, key, ini::IntTextLimit), fallback);
}

std::int32_t IniStore::ReadIniLong(std::string_view section, std::string_view key,
                                   std::int32_t fallback) const {
    return ini::decodeLong(fetch(section, key, ini::LongTextLimit), fallback);
}

bool IniStore::ReadIniBool(std::string_view section, std::string_view key, bool fallback) const {
    return ini::decodeBool(fetch(section, key, ini::BoolTextLimit), fallback);
}

std::string IniStore::ReadIniString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    return ini::decodeString(fetch(section, key, ini::StringTextLimit), fallback);
}

bool IniStore::WriteIniInt(std::string_view section, std::string_view key, std::int16_t value) {
    return ini::writeValue(iniFile_, section, key, std::to_string(value));
}

bool IniStore::WriteIniLong(std::string_view section, std::string_view key, std::int32_t value) {
    return ini::writeValue(iniFile_, section, key, std::to_string(value));
}

bool IniStore::WriteIniBool(std::string_view section, std::string_view key, bool value) {
    return ini::writeValue(iniFile_, section, key, value ? "1" : "0");
}

bool IniStore::WriteIniString(std::string_view section, std::string_view key,
                              std::string_view value) {
    return ini::writeValue(iniFile_, section, key, value);
}

} // namespace orv
