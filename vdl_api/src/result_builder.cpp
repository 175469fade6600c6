#include "result_builder.hpp"

#include "column_types.hpp"
#include "engine_errors.hpp"
#include "result_column_kinds.hpp"
#include "timestamp.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vdl {
namespace {

column_rule rule_for(sqlite3_stmt* statement, int column, lang::select_item item) {
    switch (item) {
    case lang::select_item::count: return column_rule::count;
    case lang::select_item::timestamp: return column_rule::timestamp;
    case lang::select_item::blob: return column_rule::blob;
    case lang::select_item::integer: return column_rule::integer;
    case lang::select_item::real: return column_rule::real;
    case lang::select_item::text: return column_rule::text;
    case lang::select_item::other:
    case lang::select_item::star: break;
    }
    const char* declared = sqlite3_column_decltype(statement, column);
    if (declared == nullptr) return column_rule::plain;
    if (iequals(declared, type_info(column_type::timestamp).declared)) return column_rule::timestamp;
    if (iequals(declared, type_info(column_type::blob).declared)) return column_rule::blob;
    return column_rule::plain;
}

failure out_of_memory() { return failure{VDL_E_OUT_OF_MEMORY, "the engine could not hand over a value"}; }

// The short texts a column met last, so that a text repeated down a column (a symbol, a sensor's
// name) is kept in the record once and its cells share that copy. A few slots, chosen by the text's
// length and first and last bytes: a lookup is a comparison of a few bytes. It saves memory, not
// time: scenario a of bench/ peaks at 113 MiB instead of 119 MiB for 1,000,000 rows, for about 50
// instructions more per row.
class text_pool {
public:
    const char* copy(arena& memory, const char* text, std::size_t length) {
        if (length == 0 || length > longest) return memory.copy_text(text, length);
        const auto first = static_cast<unsigned char>(text[0]);
        const auto last = static_cast<unsigned char>(text[length - 1]);
        slot& s = slots_[(length * 7 + first * 3 + last) % slot_count];
        if (s.length != length || std::memcmp(s.data, text, length) != 0) {
            s.data = memory.copy_text(text, length);
            s.length = length;
        }
        return s.data;
    }

private:
    static constexpr std::size_t longest = 32;
    static constexpr std::size_t slot_count = 16;
    struct slot {
        const char* data = nullptr;
        std::size_t length = 0;
    };
    std::array<slot, slot_count> slots_{};
};

// Fills one cell; returns false when the engine failed to produce the value.
bool fill_cell(arena& memory, text_pool* texts, sqlite3* db, sqlite3_stmt* statement, int column, column_rule rule,
               vdl_cell& cell) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 value = sqlite3_column_int64(statement, column);
        if (rule == column_rule::timestamp) {
            const auto split = split_nanoseconds(value);
            cell.kind = VDL_CELL_TIMESTAMP;
            cell.payload.as_timestamp = {split.seconds, split.nanoseconds};
        } else if (rule == column_rule::count && value >= 0 && value <= std::numeric_limits<std::uint32_t>::max()) {
            cell.kind = VDL_CELL_COUNT;
            cell.payload.as_count = static_cast<std::uint32_t>(value);
        } else {
            cell.kind = VDL_CELL_INT64;
            cell.payload.as_int64 = value;
        }
        return true;
    }
    case SQLITE_FLOAT:
        cell.kind = VDL_CELL_DOUBLE;
        cell.payload.as_double = sqlite3_column_double(statement, column);
        return true;
    case SQLITE_TEXT: {
        const auto* text = sqlite3_column_text(statement, column);
        if (text == nullptr) return false;
        const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
        const char* copy = texts != nullptr ? texts->copy(memory, reinterpret_cast<const char*>(text), length)
                                            : memory.copy_text(text, length);
        if (rule == column_rule::blob) {
            cell.kind = VDL_CELL_BLOB;
            cell.payload.as_blob = {copy, static_cast<std::uint32_t>(length)};
        } else {
            cell.kind = VDL_CELL_STRING;
            cell.payload.as_string = {copy, static_cast<std::uint32_t>(length)};
        }
        return true;
    }
    case SQLITE_BLOB: {
        const void* bytes = sqlite3_column_blob(statement, column);
        const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
        // An empty blob comes back as null; a null with bytes pending means no memory.
        if (bytes == nullptr && sqlite3_errcode(db) == SQLITE_NOMEM) return false;
        cell.kind = VDL_CELL_BLOB;
        cell.payload.as_blob = {memory.copy_text(bytes, length), static_cast<std::uint32_t>(length)};
        return true;
    }
    default: cell.kind = VDL_CELL_NULL; return true;
    }
}

// The row pointers of a result, gathered while its rows are read and then given to the record.
// The first rows are kept in the object (a point query allocates nothing for them); more go to a
// block of the heap that grows in place or, once large, is moved by remapping its pages rather than
// copying them, and that the record's arena takes over as its rows array. Against a vector copied
// into the arena at the end: about 26 instructions fewer per row in scenario a of bench/ (1 %),
// about 200 per query in scenario c.
class row_list {
public:
    row_list() = default;
    row_list(const row_list&) = delete;
    row_list& operator=(const row_list&) = delete;
    ~row_list() { std::free(heap_); }

    void push_back(vdl_cell* row) {
        if (size_ == capacity_) grow();
        data()[size_++] = row;
    }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] std::span<vdl_cell* const> span() const noexcept { return {data(), size_}; }

    // The rows array of the record, in `memory`.
    vdl_cell** hand_to(arena& memory) {
        if (heap_ == nullptr) {
            auto* rows = memory.make_zeroed<vdl_cell*>(size_);
            if (size_ != 0) std::memcpy(rows, inline_.data(), size_ * sizeof(vdl_cell*));
            return rows;
        }
        // The room beyond the last row is given back first (in place: nothing is copied).
        if (void* fitted = std::realloc(heap_, size_ * sizeof(vdl_cell*)); fitted != nullptr) {
            heap_ = static_cast<vdl_cell**>(fitted);
            capacity_ = size_;
        }
        memory.adopt(heap_, capacity_ * sizeof(vdl_cell*));
        return std::exchange(heap_, nullptr);
    }

private:
    [[nodiscard]] vdl_cell* const* data() const noexcept { return heap_ != nullptr ? heap_ : inline_.data(); }
    [[nodiscard]] vdl_cell** data() noexcept { return heap_ != nullptr ? heap_ : inline_.data(); }
    void grow() {
        const std::size_t wanted = capacity_ * 2;
        void* grown = std::realloc(heap_, wanted * sizeof(vdl_cell*));
        if (grown == nullptr) throw std::bad_alloc();
        if (heap_ == nullptr) std::memcpy(grown, inline_.data(), size_ * sizeof(vdl_cell*));
        heap_ = static_cast<vdl_cell**>(grown);
        capacity_ = wanted;
    }

    static constexpr std::size_t inline_rows = 8;
    std::array<vdl_cell*, inline_rows> inline_{};
    vdl_cell** heap_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = inline_rows;
};

// One bit per cell kind, to note which kinds a column holds.
constexpr unsigned kind_bit(std::int32_t kind) noexcept { return 1u << static_cast<unsigned>(kind + 1); }

constexpr unsigned integer_bits = kind_bit(VDL_CELL_INT64) | kind_bit(VDL_CELL_COUNT);
constexpr unsigned byte_bits = kind_bit(VDL_CELL_STRING) | kind_bit(VDL_CELL_BLOB);

// Readers take a column's kind from its first non-NULL cell, so a column of an expression
// whose values mix storage classes (coalesce(price, 0), CASE ... THEN 'n/a' ELSE price)
// is given one kind: integers among reals become reals, and numbers and timestamps among
// texts or blobs become text.
void unify_column(arena& memory, std::span<vdl_cell* const> rows, std::size_t column, unsigned kinds) {
    const bool to_text = (kinds & byte_bits) != 0 && (kinds & ~(byte_bits | kind_bit(VDL_CELL_NULL))) != 0;
    const bool to_double = !to_text && (kinds & kind_bit(VDL_CELL_DOUBLE)) != 0 && (kinds & integer_bits) != 0;
    if (!to_text && !to_double) return;
    for (vdl_cell* row : rows) {
        vdl_cell& cell = row[column];
        const std::int32_t kind = cell.kind;
        if (to_double && (kind == VDL_CELL_INT64 || kind == VDL_CELL_COUNT)) {
            const double value = kind == VDL_CELL_COUNT ? static_cast<double>(cell.payload.as_count)
                                                        : static_cast<double>(cell.payload.as_int64);
            cell = vdl_cell{};
            cell.kind = VDL_CELL_DOUBLE;
            cell.payload.as_double = value;
            continue;
        }
        if (!to_text || kind == VDL_CELL_NULL || kind == VDL_CELL_STRING || kind == VDL_CELL_BLOB) continue;
        std::string text;
        switch (kind) {
        case VDL_CELL_DOUBLE: text = fmt::format("{}", cell.payload.as_double); break;
        case VDL_CELL_INT64: text = fmt::format("{}", cell.payload.as_int64); break;
        case VDL_CELL_COUNT: text = fmt::format("{}", cell.payload.as_count); break;
        case VDL_CELL_TIMESTAMP:
            text = format_timestamp(cell.payload.as_timestamp.seconds, cell.payload.as_timestamp.nanoseconds);
            break;
        default: continue;
        }
        cell = vdl_cell{};
        cell.kind = VDL_CELL_STRING;
        cell.payload.as_string = {memory.copy_text(text.data(), text.size()), static_cast<std::uint32_t>(text.size())};
    }
}

}  // namespace

void unify_columns(arena& memory, std::span<vdl_cell* const> rows, std::span<const unsigned> kinds) {
    for (std::size_t c = 0; c < kinds.size(); ++c) unify_column(memory, rows, c, kinds[c]);
}

outcome<owned_record> build_result(sqlite3* db, sqlite3_stmt* statement, int first,
                                   std::span<const lang::select_item> items, const lang::engine_statement& source,
                                   result_layout* layout, std::vector<unsigned>* kinds_found) {
    const int columns = sqlite3_column_count(statement);
    const auto column_total = static_cast<std::size_t>(columns);
    // How each column's values become cells, and the cell kinds it turns out to hold.
    const bool known = layout != nullptr && layout->describes(statement, items);
    owned_record out{std::make_unique<arena>()};
    arena& memory = *out.memory;
    auto* record = memory.make_zeroed<vdl_result>();

    record->column_count = static_cast<std::uint32_t>(columns);
    record->names = memory.make_zeroed<vdl_column_name>(static_cast<std::size_t>(columns));
    const auto set_name = [&](int c, std::string_view name) {
        record->names[c] = {memory.copy_text(name.data(), name.size()), static_cast<std::uint32_t>(name.size())};
    };
    std::vector<column_rule> learned_rules;
    if (!known) {
        std::vector<lang::select_item> column_kinds(column_total, lang::select_item::other);
        lang::column_kinds(items, column_kinds);
        for (int c = 0; c < columns; ++c)
            learned_rules.push_back(rule_for(statement, c, column_kinds[static_cast<std::size_t>(c)]));
    }
    const std::span<const column_rule> rules =
        known ? std::span<const column_rule>(layout->rules) : std::span<const column_rule>(learned_rules);
    if (known && !layout->names.empty()) {
        for (int c = 0; c < columns; ++c) set_name(c, layout->names[static_cast<std::size_t>(c)]);
    } else {
        bool names_fixed = true;  // no name is made from the query's values
        for (int c = 0; c < columns; ++c) {
            const char* name = sqlite3_column_name(statement, c);
            if (name == nullptr) return out_of_memory();
            const auto written = lang::written_name(name, source);
            if (written) names_fixed = false;
            set_name(c, written ? std::string_view(*written) : std::string_view(name));
        }
        if (layout != nullptr && !known) {
            layout->names.clear();
            if (names_fixed)
                for (int c = 0; c < columns; ++c)
                    layout->names.emplace_back(record->names[c].data, record->names[c].length);
        }
    }
    if (layout != nullptr && !known) {
        layout->reprepares = sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 0);
        layout->items.assign(items.begin(), items.end());
        layout->rules.assign(learned_rules.begin(), learned_rules.end());
    }

    // Cells are written straight into the arena; the row pointers are gathered apart and become
    // the record's rows array at the end, when the row count is known.
    row_list rows;
    std::vector<unsigned> kinds(column_total, 0u);  // the cell kinds each column holds
    // Texts are pooled from the rows past the first few: a small result is not worth the pools.
    constexpr std::size_t pooled_from_row = 64;
    std::vector<text_pool> pools;
    int rc = first;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(statement)) {
        if (rows.size() == std::numeric_limits<std::uint32_t>::max())
            return failure{VDL_E_RESULT_TOO_LARGE,
                           fmt::format("the result has more than {} rows; narrow the query or add a LIMIT",
                                       std::numeric_limits<std::uint32_t>::max())};
        if (rows.size() == pooled_from_row) pools.resize(column_total);
        auto* cells = memory.make_filled(column_total, vdl_cell{});
        for (int c = 0; c < columns; ++c) {
            if (!fill_cell(memory, pools.empty() ? nullptr : &pools[static_cast<std::size_t>(c)], db, statement, c,
                           rules[static_cast<std::size_t>(c)], cells[c]))
                return out_of_memory();
            kinds[static_cast<std::size_t>(c)] |= kind_bit(cells[c].kind);
        }
        rows.push_back(cells);
    }
    if (rc != SQLITE_DONE) return engine_failure(db, rc);
    if (kinds_found != nullptr) kinds_found->assign(kinds.begin(), kinds.end());
    else unify_columns(memory, rows.span(), kinds);

    record->row_count = static_cast<std::uint32_t>(rows.size());
    record->rows = rows.hand_to(memory);
    out.column_kinds = result_column_kinds(memory, statement, rules, *record);
    out.record = record;
    return out;
}

owned_record build_metadata(const std::vector<column_description>& columns) {
    owned_record out{std::make_unique<arena>()};
    arena& memory = *out.memory;
    auto* record = memory.make_zeroed<vdl_metadata>();
    record->column_count = static_cast<std::uint32_t>(columns.size());
    record->columns = memory.make_zeroed<vdl_column_meta>(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto& column = columns[i];
        auto& entry = record->columns[i];
        entry.name = memory.copy_text(column.name.data(), column.name.size());
        entry.type = static_cast<std::int32_t>(type_from_declared(column.declared_type));
        entry.flags =
            (column.name == time_column ? VDL_COLUMN_TIME : 0u) | (column.not_null ? VDL_COLUMN_NOT_NULL : 0u);
    }
    out.record = record;
    return out;
}

}  // namespace vdl
