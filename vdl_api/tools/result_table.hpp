// Prints a result record as an aligned text table.
#pragma once

#include "vdl_api.h"

#include <ostream>
#include <string>

namespace vdlsh {

// The text of one cell as the table shows it: NULL, numbers, timestamps in
// YYYY-MM-DDTHH:MM:SS.nnnnnnnnnZ form, blobs as X'..' hex; control characters in strings
// are escaped so that every row stays on one line.
std::string cell_text(const vdl_cell& cell);

// Column names, a rule, the rows (numbers aligned right), then "(N rows)".
void print_table(const vdl_result& result, std::ostream& out);

}  // namespace vdlsh
