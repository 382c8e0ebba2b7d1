#pragma once
// The outcome of an operation that can fail: success, or one line of text that names the file and the cause
// ("photo.bmp: not a 24-bit BMP file"). The core's loaders, savers and the shared state return these, and a caller
// must look at one: a result that is dropped is a compile error (where a failure truly does not matter, the caller
// says so with a cast to void). The command line prints them and the window shows them in a message box, each in one
// place.

#include <string>
#include <utility>

class [[nodiscard]] Status {
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
