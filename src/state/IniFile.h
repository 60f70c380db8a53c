#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The INI text format of the settings file and its safe replacement on disk.
//
// Format: "[Section]" lines open a section, "Key=Value" lines inside it hold values. Blanks
// around names and values do not count, section and key names match regardless of ASCII case,
// lines starting with ";" or "#" are comments. Everything the reader does not understand is kept
// byte for byte by the writer, so a hand-edited file keeps its comments, order and line endings.
namespace orv::ini {

// A name or value the writer accepts. Line breaks and NULs would split or cut the line, "]" ends
// a section name early, "=" ends a key early, and blanks around a name would be lost on reading,
// so such text is refused instead of producing a file that reads back differently.
[[nodiscard]] bool isValidSectionName(std::string_view name);
[[nodiscard]] bool isValidKeyName(std::string_view name);
[[nodiscard]] bool isValidValue(std::string_view value);

// The value of `key` in `section`, without the blanks around it; nullopt when the section or the
// key is missing. When a section or key occurs more than once, the first key line wins.
[[nodiscard]] std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                                   std::string_view key);

// `text` with `key` in `section` set to `value`: the key line the reader would find gets the new
// value in place, else the key is added after the section's last entry, else the section is
// appended. New lines use the line ending the text already uses ("\n" for a new file).
// Names and value must be valid (see above).
[[nodiscard]] std::string withValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value);

enum class ReadStatus { Ok, Missing, Failed };

struct FileText {
    ReadStatus status = ReadStatus::Missing;
    std::string text;
};

// The whole file. A missing file (or missing folder) is `Missing` with empty text; a file that
// exists but cannot be read, or is not a regular file, is `Failed`.
[[nodiscard]] FileText readFileText(const std::filesystem::path& path);

// Replaces the file's contents so that a crash leaves either the old or the new file, never a
// half-written one: the text goes to a temporary file in the same folder, is flushed to disk and
// renamed over the old file. A symbolic link stays a link (its target is replaced), an existing
// file keeps its permissions, and a file the user may not write is left alone.
// Returns false when nothing was changed.
bool replaceFileText(const std::filesystem::path& path, std::string_view text);

// One access as the settings accessors need it: opens, reads and closes the file each time.
[[nodiscard]] std::optional<std::string> readValue(const std::filesystem::path& path,
                                                   std::string_view section, std::string_view key);

// Read, change, replace. Refuses invalid names or values, and an existing file it cannot read
// (writing would throw away its other contents). Returns false when the file was not changed.
bool writeValue(const std::filesystem::path& path, std::string_view section, std::string_view key,
                std::string_view value);

} // namespace orv::ini
