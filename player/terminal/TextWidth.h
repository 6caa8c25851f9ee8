// Fitting outside text (track titles) into terminal columns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivo {

// The columns a terminal gives a character: 2 for East Asian wide and
// full-width characters, 0 for combining marks and zero-width spaces, 1
// otherwise.
int ColumnsOf(char32_t character);

// The longest start of UTF-8 `text` that fills at most `columns` columns.
// Control characters (C0, DEL, C1) and bytes that are not UTF-8 become '?',
// so that the text cannot move the cursor or start an escape sequence.
std::string ClipToColumns(std::string_view text, std::int32_t columns);

}  // namespace kivo
