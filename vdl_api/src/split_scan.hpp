// Whether a query can be read by several readers over disjoint ranges of its table's rows without
// changing its answer, judged on the engine's text: a SELECT of plain items (no function call, so
// no aggregate) from one table, with or without a WHERE, and nothing that orders, groups, limits,
// removes duplicates, joins or combines rows. The engine's query plan is checked besides (see
// store::read_in_parallel): this only reads the text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vdl {

struct split_scan {
    std::string table;      // as the text writes it (quoted when it is quoted)
    std::string head;       // the text up to its WHERE (or all of it), without a trailing ";"
    std::string condition;  // the WHERE condition; empty without one

    // The text of one reader: the query restricted to the rows whose rowid lies between the
    // placeholders ?<first_placeholder> and ?<first_placeholder + 1>, in rowid order.
    [[nodiscard]] std::string piece(int first_placeholder) const;
};

// The parts of a splittable query; none for any other text.
std::optional<split_scan> plan_split(std::string_view sql);

}  // namespace vdl
