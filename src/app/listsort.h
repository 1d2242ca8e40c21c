#pragma once

#include "listmemory.h"
#include "recordrows.h"

#include <cstdint>

// The order of the rows sorted ascending by the text of one column, rows of equal text keeping
// their order. Text columns follow Hungarian collation; the record-number column compares its
// digits as text, so "10" comes before "9".
ListVector<std::uint32_t> sortedOrder(const RecordRows& rows, int column);
