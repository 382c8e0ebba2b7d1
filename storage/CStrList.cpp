#include "storage/CStrList.h"

#include "base/File.h"

namespace {

// Splits text into its lines: one line per LF, so CR LF, LF and mixed line ends all read line by line. A line's text
// ends at its first CR or zero byte, as a C string whose line ends were overwritten with terminators would. Fails,
// with the cause in *cause, when text is empty or holds no LF.
template <typename Lines>
bool SplitLines(std::string_view text, Lines& lines, std::string& cause) {
    if (text.empty()) {
        cause = "empty file";
        return false;
    }
    if (text.find('\n') == std::string_view::npos) {
        cause = "no line end in the file";
        return false;
    }
    constexpr std::string_view kTextEnds("\r\0", 2);
    std::size_t start = 0;
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
        std::string_view line = text.substr(start, lf - start);
        line = line.substr(0, line.find_first_of(kTextEnds));
        lines.push_back({std::string(line), line.size()});
        start = lf + 1;
    }
    return true;
}

}  // namespace

Status CStrList::ReadFile(const std::string& path) {
    const auto fail = [&](const std::string& cause) { return Status::Error(path + ": " + cause); };
    if (path.empty()) return Status::Error("cannot open: no file name was given");
    std::string content;
    if (Status read = ReadSmallRegularFile(path, kMaxFileBytes, content); !read) return read;

    std::vector<Entry> lines;
    std::string cause;
    if (!SplitLines(content, lines, cause)) return fail(cause);
    m_lines = std::move(lines);
    return Status::Ok();
}

bool CStrList::LoadFromText(std::string_view text) {
    std::vector<Entry> lines;
    std::string cause;
    if (!SplitLines(text, lines, cause)) return false;
    m_lines = std::move(lines);
    return true;
}

void CStrList::TrimTrailingBlanks() {
    for (Entry& line : m_lines) {
        const std::size_t keep = line.text.find_last_not_of(" \t");
        line.text.resize(keep == std::string::npos ? 0 : keep + 1);
    }
}
