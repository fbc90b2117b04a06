// The profile reader and writer of POSIX systems, with the rules of the Windows profile
// functions (see Profile.h).
#include "platform/Profile.h"

#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vidrune::platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A file as a reader or writer finds it. Unusable: it exists but is no regular file (a
// FIFO would keep the open waiting for a writer, a device could be read without end), or
// it could not be read whole.
struct FileContent {
    enum class Status { kAbsent, kRead, kUnusable };
    Status status = Status::kUnusable;
    std::string bytes;
};

// Plain system calls: outside a batch every key reads its file again, and a stream's
// buffers would be allocated and freed for each of those reads.
FileContent ReadWhole(const std::string& path) {
    FileContent file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            file.status = FileContent::Status::kAbsent;
        return file;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return file;
    }
    try {
        if (info.st_size > 0)
            file.bytes.reserve(static_cast<size_t>(info.st_size));
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got > 0) {
                file.bytes.append(chunk, static_cast<size_t>(got));
            } else if (got == 0) {
                file.status = FileContent::Status::kRead;
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        // a file larger than the memory left is no profile
    }
    ::close(fd);
    if (file.status != FileContent::Status::kRead)
        file.bytes = std::string();
    return file;
}

// The whole file, or nothing when it is missing or unusable.
std::optional<std::string> ReadFile(const std::string& path) {
    FileContent file = ReadWhole(path);
    if (file.status != FileContent::Status::kRead)
        return std::nullopt;
    return std::move(file.bytes);
}

// The UTF-8 byte order mark some editors put first; the Windows functions read past it.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutByteOrderMark(std::string_view content) {
    if (content.starts_with(kByteOrderMark))
        content.remove_prefix(kByteOrderMark.size());
    return content;
}

// Calls visit(text, end) for each line of the content, the line end kept apart, until
// visit returns false. A line ends at LF, CR LF or a lone CR, as text editors on every
// system treat them.
template <typename Visit>
void ForEachLine(std::string_view content, Visit&& visit) {
    while (!content.empty()) {
        const size_t stop = content.find_first_of("\r\n");
        std::string_view text = content.substr(0, stop);
        std::string_view end;
        if (stop != std::string_view::npos)
            end = content.substr(stop, content.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
        content.remove_prefix(text.size() + end.size());
        if (!visit(text, end))
            return;
    }
}

// One line of the file as written, with its line end kept apart.
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    ForEachLine(content, [&lines](std::string_view text, std::string_view end) {
        lines.push_back(Line{std::string(text), std::string(end)});
        return true;
    });
    return lines;
}

std::optional<std::string_view> SectionName(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    return Trim(text.substr(1, text.find(']') - 1));
}

// Key and raw value of a key line; nothing for sections and lines without '='. A comment
// line holding '=' reads as a key whose name starts with ';', as with the Windows functions.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.front() == '[')
        return std::nullopt;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return std::make_pair(Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)));
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

// What a lookup can find in one file content: the first section of each name and, in it,
// the first value of each key, by their names folded to lower case.
struct ProfileIndex {
    using Keys = std::unordered_map<std::string, std::string>;

    explicit ProfileIndex(std::string_view content) {
        Keys* current = nullptr;
        ForEachLine(WithoutByteOrderMark(content), [&](std::string_view line, std::string_view) {
            if (auto name = SectionName(line)) {
                auto [at, first] = sections.try_emplace(Folded(*name));
                current = first ? &at->second : nullptr;
            } else if (auto kv = KeyValue(line); kv && current != nullptr) {
                current->try_emplace(Folded(kv->first), Unquote(kv->second));
            }
            return true;
        });
    }

    std::unordered_map<std::string, Keys> sections;
};

// The file as it is now, or null when it cannot be read.
std::shared_ptr<const ProfileIndex> ReadIndex(const std::string& path) {
    const std::optional<std::string> content = ReadFile(path);
    if (!content)
        return nullptr;
    return std::make_shared<const ProfileIndex>(*content);
}

// The files read during this thread's outermost batch, by path; a missing file is kept as
// null. Nothing here is destroyed with the program's statics: the plug-in's device saves
// its window's settings when the library is unloaded, which can be after them.
using BatchIndexes = std::unordered_map<std::string, std::shared_ptr<const ProfileIndex>>;
thread_local BatchIndexes* tBatch = nullptr;

// Outside a batch every lookup reads the file again, as the profile functions do.
std::shared_ptr<const ProfileIndex> IndexFor(const std::string& path) {
    if (tBatch == nullptr)
        return ReadIndex(path);
    auto [at, added] = tBatch->try_emplace(path);
    if (added)
        at->second = ReadIndex(path);
    return at->second;
}

std::optional<std::string> Lookup(const std::string& path, const std::string& section,
                                  const std::string& key) {
    const std::shared_ptr<const ProfileIndex> index = IndexFor(path);
    if (!index)
        return std::nullopt;
    const auto keys = index->sections.find(Folded(section));
    if (keys == index->sections.end())
        return std::nullopt;
    const auto value = keys->second.find(Folded(key));
    if (value == keys->second.end())
        return std::nullopt;
    return value->second;
}

} // namespace

struct Profile::Batch::Files {
    BatchIndexes indexes;
};

Profile::Batch::Batch() {
    if (tBatch != nullptr)
        return;
    files_ = std::make_unique<Files>();
    tBatch = &files_->indexes;
}

Profile::Batch::~Batch() {
    if (files_ && tBatch == &files_->indexes)
        tBatch = nullptr;
}

std::string Profile::GetString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& defaultValue,
                               size_t bufferSize) {
    if (bufferSize == 0)
        return {};
    std::string value = Lookup(path, section, key).value_or(defaultValue);
    if (value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

int Profile::GetInt(const std::string& path, const std::string& section, const std::string& key,
                    int defaultValue) {
    std::optional<std::string> value = Lookup(path, section, key);
    if (!value || value->empty())
        return defaultValue;
    return ParseInt(*value);
}

bool Profile::WriteString(const std::string& path, const std::string& section,
                          const std::string& key, const std::string& value) {
    if (tBatch != nullptr)
        tBatch->erase(path); // read again after the write
    // A file that exists but cannot be read whole is left alone: rewritten from what
    // could be read, it would lose the rest.
    const FileContent file = ReadWhole(path);
    if (file.status == FileContent::Status::kUnusable)
        return false;
    const std::string_view body = WithoutByteOrderMark(file.bytes);
    const std::string_view mark(file.bytes.data(), file.bytes.size() - body.size());
    std::vector<Line> lines = SplitLines(body);
    const bool crlf =
        std::any_of(lines.begin(), lines.end(), [](const Line& l) { return l.end == "\r\n"; });
    const std::string eol = crlf ? "\r\n" : "\n";
    const std::string entry = key + "=" + value;

    // Find the first matching section and, in it, the key or the last non-blank line.
    std::optional<size_t> sectionLine;
    std::optional<size_t> lastContent;
    bool replaced = false;
    for (size_t i = 0; i < lines.size() && !replaced; ++i) {
        if (auto name = SectionName(lines[i].text)) {
            if (sectionLine)
                break;
            if (SameName(*name, section)) {
                sectionLine = i;
                lastContent = i;
            }
            continue;
        }
        if (!sectionLine)
            continue;
        if (auto kv = KeyValue(lines[i].text); kv && SameName(kv->first, key)) {
            // A line that already reads so leaves the file as it is: settings are saved on
            // every close of the window, mostly unchanged.
            if (lines[i].text == entry)
                return true;
            lines[i].text = entry;
            replaced = true;
        } else if (!Trim(lines[i].text).empty()) {
            lastContent = i;
        }
    }
    if (!replaced) {
        if (!lines.empty() && lines.back().end.empty())
            lines.back().end = eol;
        if (sectionLine) {
            lines.insert(lines.begin() + static_cast<long>(*lastContent) + 1, Line{entry, eol});
        } else {
            lines.push_back(Line{"[" + section + "]", eol});
            lines.push_back(Line{entry, eol});
        }
    }

    std::string bytes(mark);
    for (const Line& line : lines)
        bytes.append(line.text).append(line.end);
    return FileSystem::WriteWhole(path, bytes);
}

} // namespace vidrune::platform
