#pragma once
// The lines of one settings file while it is being loaded. Each line keeps, beside its text, the length it had when
// it was read (before trailing blanks were trimmed); the section-head test uses that length.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"

class CStrList {
public:
    // A settings file is a few kilobytes; anything larger than this is refused unread.
    static constexpr std::size_t kMaxFileBytes = std::size_t{1} << 20;

    // Replaces the list with the lines of a file. Fails, the message naming the file and the cause, when the file
    // cannot be opened or read, is not a regular file (a named pipe, a device, a folder: refused at once, without
    // waiting for a writer), is larger than kMaxFileBytes, is empty or holds no line end; the list is then unchanged.
    // Text after the last line end belongs to no line.
    Status ReadFile(const std::string& path);
    // ReadFile telling only whether it succeeded.
    bool LoadFromFile(const std::string& path) { return ReadFile(path).ok(); }
    // The same for text already in memory.
    bool LoadFromText(std::string_view text);

    std::size_t Count() const { return m_lines.size(); }
    std::string& Line(std::size_t index) { return m_lines[index].text; }
    const std::string& Line(std::size_t index) const { return m_lines[index].text; }
    std::size_t LengthAsRead(std::size_t index) const { return m_lines[index].lengthAsRead; }

    // Removes trailing blanks and tabs from every line; the lengths as read stay.
    void TrimTrailingBlanks();

private:
    struct Entry {
        std::string text;
        std::size_t lengthAsRead = 0;
    };
    std::vector<Entry> m_lines;
};
