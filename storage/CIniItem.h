#pragma once
// One key of a settings file, bound to a variable of its owner. Kinds: 0 integer (signed 32-bit), 1 real (32-bit
// float), 2 rectangle (four signed 32-bit integers left, top, right, bottom), 3 text (byte string); any other kind
// writes "ERR: UNKNOWN TYPE" and reads nothing. Numbers are written and read with "." as decimal point whatever the
// locale; integers beyond the 32-bit range saturate at its ends, and a real read is always finite
// (storage/ValueText.h). An item without a variable reads nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CStrList;

class CIniItem {
public:
    static constexpr int kInteger = 0;
    static constexpr int kReal = 1;
    static constexpr int kRectangle = 2;
    static constexpr int kText = 3;

    virtual ~CIniItem() = default;

    // Converts the text of line `index` from byte `offset` on into the bound variable. Returns 1.
    virtual int ReadValue(CStrList& lines, std::size_t index, std::size_t offset);
    // Appends the item line ("name=value" and lineEnd) to out. Returns 1, or 0 when no variable is bound, in which
    // case "name=" and lineEnd are appended. A text is written up to its first CR, LF or zero byte, so that it stays
    // one line and reads back as written.
    virtual int WriteValue(std::string& out, std::string_view lineEnd = "\r\n") const;

    void SetName(std::string name) { m_strName = std::move(name); }
    const std::string& Name() const { return m_strName; }

    // Binding sets the variable and its kind.
    void Bind(std::int32_t& variable);
    void Bind(float& variable);
    void BindRectangle(std::int32_t (&fourIntegers)[4]);
    void Bind(std::string& variable);
    // Sets the kind alone; a kind that does not match the bound variable reads and writes like an unknown kind.
    void SetKind(int kind) { m_nKind = kind; }
    int Kind() const { return m_nKind; }
    bool HasVariable() const { return m_pValue != nullptr; }

private:
    // The kind the item reads and writes by: its kind when the bound variable is of that type, else -1 (unknown).
    int EffectiveKind() const;

    enum class Bound { None, Integer, Real, Rectangle, Text };

    std::string m_strName;
    void* m_pValue = nullptr;
    Bound m_bound = Bound::None;
    int m_nKind = kInteger;
};
