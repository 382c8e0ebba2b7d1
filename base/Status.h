#pragma once
// The outcome of an operation that can fail: success, or one line of text that names the file and the cause
// ("photo.bmp: not a 24-bit BMP file"). The core returns these; the command line prints them and the window shows
// them in a message box.

#include <string>
#include <utility>

class Status {
public:
    Status() = default;

    static Status Ok() { return {}; }
    static Status Error(std::string message) {
        Status status;
        status.m_ok = false;
        status.m_message = std::move(message);
        return status;
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const std::string& message() const { return m_message; }

private:
    bool m_ok = true;
    std::string m_message;
};
