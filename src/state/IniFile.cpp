#include "state/IniFile.h"

#include "core/WriteAll.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace orv::ini {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// A CR counts as a blank so that a stray one (an old Mac line end, or a CR LF file cut after the
// CR) never becomes part of a name or value.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool hasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

// One line of the text, with offsets into it. `contentEnd` excludes the line ending ("\n" or
// "\r\n"), `end` includes it.
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
    LineKind kind = LineKind::Blank;
    std::string_view name;      // section or key name, trimmed
    std::size_t valueBegin = 0; // Key: first character after "=" and the blanks that follow it
};

Line lineAt(std::string_view text, std::size_t pos) {
    Line line;
    line.begin = pos;
    const std::size_t nl = text.find('\n', pos);
    line.end = nl == npos ? text.size() : nl + 1;
    line.contentEnd = nl == npos ? text.size() : nl;
    if (line.contentEnd > pos && text[line.contentEnd - 1] == '\r' && nl != npos) {
        --line.contentEnd;
    }
    const std::string_view content = text.substr(pos, line.contentEnd - pos);
    const std::string_view t = trim(content);
    if (t.empty()) {
        line.kind = LineKind::Blank;
    } else if (t.front() == ';' || t.front() == '#') {
        line.kind = LineKind::Comment;
    } else if (t.front() == '[') {
        const std::size_t close = t.find(']');
        if (close == npos) {
            line.kind = LineKind::Other;
        } else {
            line.kind = LineKind::Section;
            line.name = trim(t.substr(1, close - 1));
        }
    } else if (const std::size_t eq = content.find('='); eq != npos) {
        line.kind = LineKind::Key;
        line.name = trim(content.substr(0, eq));
        std::size_t v = pos + eq + 1;
        while (v < line.contentEnd && isBlank(text[v])) {
            ++v;
        }
        line.valueBegin = v;
    } else {
        line.kind = LineKind::Other;
    }
    return line;
}

// Walks all lines and calls `visit(line, inSection)`; stops when `visit` returns true.
template <class Visit>
void forEachLine(std::string_view text, std::string_view section, Visit visit) {
    bool inSection = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const Line line = lineAt(text, pos);
        if (line.kind == LineKind::Section) {
            inSection = sameName(line.name, section);
        }
        if (visit(line, inSection)) {
            return;
        }
        pos = line.end;
    }
}

std::string_view lineEndingOf(std::string_view text) {
    const std::size_t nl = text.find('\n');
    if (nl != npos && nl > 0 && text[nl - 1] == '\r') {
        return "\r\n";
    }
    return "\n";
}

bool lastLineIsBlank(std::string_view text) {
    std::string_view body = text;
    if (!body.empty() && body.back() == '\n') {
        body.remove_suffix(1);
    }
    const std::size_t nl = body.rfind('\n');
    const std::string_view last = nl == npos ? body : body.substr(nl + 1);
    return trim(last).empty();
}

} // namespace

bool isValidSectionName(std::string_view name) {
    return !name.empty() && trim(name) == name && !hasLineBreakOrNul(name) &&
           name.find(']') == npos;
}

bool isValidKeyName(std::string_view name) {
    return !name.empty() && trim(name) == name && !hasLineBreakOrNul(name) &&
           name.find('=') == npos && name.front() != '[' && name.front() != ';' &&
           name.front() != '#';
}

bool isValidValue(std::string_view value) {
    return !hasLineBreakOrNul(value);
}

std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    std::optional<std::string> found;
    forEachLine(text, section, [&](const Line& line, bool inSection) {
        if (inSection && line.kind == LineKind::Key && sameName(line.name, key)) {
            found =
                std::string(trim(text.substr(line.valueBegin, line.contentEnd - line.valueBegin)));
            return true;
        }
        return false;
    });
    return found;
}

std::string withValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::string_view eol = lineEndingOf(text);
    std::optional<Line> keyLine;
    std::optional<std::size_t> insertAt; // after the last entry of the first matching section
    bool firstSectionDone = false;
    forEachLine(text, section, [&](const Line& line, bool inSection) {
        if (line.kind == LineKind::Section && insertAt) {
            firstSectionDone = true;
        }
        if (!inSection) {
            return false;
        }
        if (line.kind == LineKind::Key && sameName(line.name, key)) {
            keyLine = line;
            return true;
        }
        if (!firstSectionDone && (line.kind == LineKind::Section || line.kind == LineKind::Key ||
                                  line.kind == LineKind::Other)) {
            // Comments and blank lines after the last entry usually introduce the next section,
            // so a new key goes before them.
            insertAt = line.end;
        }
        return false;
    });

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (keyLine) {
        out.append(text.substr(0, keyLine->valueBegin));
        out.append(value);
        out.append(text.substr(keyLine->contentEnd));
        return out;
    }
    const bool endsWithBreak = text.empty() || text.back() == '\n';
    if (insertAt) {
        out.append(text.substr(0, *insertAt));
        if (*insertAt == text.size() && !endsWithBreak) {
            out.append(eol);
        }
        out.append(key).append("=").append(value).append(eol);
        out.append(text.substr(*insertAt));
        return out;
    }
    out.append(text);
    if (!endsWithBreak) {
        out.append(eol);
    }
    if (!text.empty() && !lastLineIsBlank(text)) {
        out.append(eol); // keep sections apart by an empty line
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
}

FileText readFileText(const std::filesystem::path& path) {
    FileText result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status =
            (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = ReadStatus::Failed;
        return result;
    }
    result.status = ReadStatus::Ok;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.status = ReadStatus::Failed;
            result.text.clear();
            break;
        }
        if (n == 0) {
            break;
        }
        result.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

bool replaceFileText(const std::filesystem::path& path, std::string_view text) {
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, ec)) {
        target = std::filesystem::weakly_canonical(path, ec);
        if (ec) {
            return false;
        }
    }
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0) {
            return false;
        }
        mode = st.st_mode & 07777;
    }

    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::string tempName = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tempName.c_str(), target.c_str()) == 0) {
        return true;
    }
    ::unlink(tempName.c_str());
    return false;
}

std::optional<std::string> readValue(const std::filesystem::path& path, std::string_view section,
                                     std::string_view key) {
    const FileText file = readFileText(path);
    if (file.status != ReadStatus::Ok) {
        return std::nullopt;
    }
    return findValue(file.text, section, key);
}

bool writeValue(const std::filesystem::path& path, std::string_view section, std::string_view key,
                std::string_view value) {
    if (!isValidSectionName(section) || !isValidKeyName(key) || !isValidValue(value)) {
        return false;
    }
    const FileText file = readFileText(path);
    if (file.status == ReadStatus::Failed) {
        return false;
    }
    const std::string updated = withValue(file.text, section, key, value);
    if (file.status == ReadStatus::Ok && updated == file.text) {
        return true; // already stored; spare the disk a rewrite
    }
    return replaceFileText(path, updated);
}

} // namespace orv::ini
