#pragma once
// The program's string table: texts looked up by a control's id, as a link label takes its target from the entry
// with its own id when it has no link set (CStaticLink). No Qt.

#include <string_view>

namespace strings {

// The project's web page, behind the About box's web link (control 1100). The support link (1101) has no entry: it
// opens its own caption, the support address.
inline constexpr int kWebLink = 1100;

}  // namespace strings

// The entry with the given id; empty when the table has none.
std::string_view LoadProgramString(int id);
