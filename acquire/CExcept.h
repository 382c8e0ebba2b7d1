#pragma once
// The failure of a scanner operation: one ready message text (the library code's text, or a fixed text), and the
// library code and condition code it came from (0 for a fixed text), so that callers can tell a cancel or an empty
// feeder from a fault. Thrown by value and caught by reference. No Qt.

#include <cstdint>
#include <string>
#include <utility>

class CExcept {
public:
    explicit CExcept(std::string text, std::int32_t code = 0, std::int32_t condition = 0)
        : m_strText(std::move(text)), m_nCode(code), m_nCondition(condition) {}
    virtual ~CExcept() = default;

    const std::string& Text() const { return m_strText; }
    std::int32_t Code() const { return m_nCode; }
    std::int32_t Condition() const { return m_nCondition; }

private:
    std::string m_strText;
    std::int32_t m_nCode;
    std::int32_t m_nCondition;
};
