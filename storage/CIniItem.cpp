#include "storage/CIniItem.h"

#include "storage/CStrList.h"
#include "storage/ValueText.h"

namespace {

constexpr int kUnknown = -1;

}  // namespace

void CIniItem::Bind(std::int32_t& variable) {
    m_pValue = &variable;
    m_bound = Bound::Integer;
    m_nKind = kInteger;
}

void CIniItem::Bind(float& variable) {
    m_pValue = &variable;
    m_bound = Bound::Real;
    m_nKind = kReal;
}

void CIniItem::BindRectangle(std::int32_t (&fourIntegers)[4]) {
    m_pValue = fourIntegers;
    m_bound = Bound::Rectangle;
    m_nKind = kRectangle;
}

void CIniItem::Bind(std::string& variable) {
    m_pValue = &variable;
    m_bound = Bound::Text;
    m_nKind = kText;
}

int CIniItem::EffectiveKind() const {
    const bool matches =
        (m_nKind == kInteger && m_bound == Bound::Integer) || (m_nKind == kReal && m_bound == Bound::Real) ||
        (m_nKind == kRectangle && m_bound == Bound::Rectangle) || (m_nKind == kText && m_bound == Bound::Text);
    return matches ? m_nKind : kUnknown;
}

int CIniItem::ReadValue(CStrList& lines, std::size_t index, std::size_t offset) {
    if (m_pValue == nullptr || index >= lines.Count()) return 1;
    const std::string& line = lines.Line(index);
    const std::string_view text = offset < line.size() ? std::string_view(line).substr(offset) : std::string_view{};

    switch (EffectiveKind()) {
        case kInteger:
            *static_cast<std::int32_t*>(m_pValue) = valuetext::ParseInteger(text);
            break;
        case kReal:
            *static_cast<float*>(m_pValue) = valuetext::ParseReal(text);
            break;
        case kRectangle: {
            // Each field is read where the previous one's walk stopped: just after the first blank or tab past the
            // field's start, or at the end of the text, where every later field reads 0. Fields are therefore
            // separated by exactly one blank or tab: "1  2 3 4" reads 1, 2, 2, 3.
            auto* fields = static_cast<std::int32_t*>(m_pValue);
            std::size_t p = 0;
            for (int field = 0; field < 4; ++field) {
                fields[field] = valuetext::ParseInteger(text.substr(p));
                while (p < text.size()) {
                    const char c = text[p++];
                    if (c == ' ' || c == '\t') break;
                }
            }
            break;
        }
        case kText:
            static_cast<std::string*>(m_pValue)->assign(text);
            break;
        default:
            break;
    }
    return 1;
}

int CIniItem::WriteValue(std::string& out, std::string_view lineEnd) const {
    out += m_strName;
    out += '=';
    if (m_pValue == nullptr) {
        // Still a whole line, so the lines after it keep their own keys.
        out += lineEnd;
        return 0;
    }
    switch (EffectiveKind()) {
        case kInteger:
            valuetext::AppendInteger(out, *static_cast<const std::int32_t*>(m_pValue));
            break;
        case kReal:
            valuetext::AppendReal(out, *static_cast<const float*>(m_pValue));
            break;
        case kRectangle: {
            const auto* fields = static_cast<const std::int32_t*>(m_pValue);
            for (int field = 0; field < 4; ++field) {
                if (field > 0) out += ' ';
                valuetext::AppendInteger(out, fields[field]);
            }
            break;
        }
        case kText: {
            // A text stops at its first line break or zero byte: what follows could not be read back as part of the
            // value and would otherwise turn into lines (keys, section heads) of its own.
            const std::string& text = *static_cast<const std::string*>(m_pValue);
            out.append(text, 0, text.find_first_of(std::string_view("\r\n\0", 3)));
            break;
        }
        default:
            out += "ERR: UNKNOWN TYPE";
            break;
    }
    out += lineEnd;
    return 1;
}
