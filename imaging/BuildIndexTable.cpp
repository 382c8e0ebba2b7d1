#include "imaging/BuildIndexTable.h"
bool BuildIndexTable(std::int64_t, std::int64_t, std::vector<std::int32_t>& table) { table.clear(); return false; }
