#include "result_table.hpp"

#include "timestamp.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace vdlsh {
namespace {

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                out += fmt::format("\\x{:02x}", static_cast<unsigned char>(c));
            else out += c;
        }
    }
    return out;
}

bool is_number(const vdl_cell& cell) noexcept {
    return cell.kind == VDL_CELL_DOUBLE || cell.kind == VDL_CELL_INT64 || cell.kind == VDL_CELL_COUNT;
}

// Display width: counts UTF-8 characters, not bytes, so that accented text lines up.
std::size_t width(std::string_view text) noexcept {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void pad(std::ostream& out, std::string_view text, std::size_t to, bool right) {
    const std::string fill(to > width(text) ? to - width(text) : 0, ' ');
    if (right) out << fill << text;
    else out << text << fill;
}

}  // namespace

std::string cell_text(const vdl_cell& cell) {
    switch (cell.kind) {
    case VDL_CELL_NULL: return "NULL";
    case VDL_CELL_DOUBLE: return fmt::format("{}", cell.payload.as_double);
    case VDL_CELL_INT64: return fmt::format("{}", cell.payload.as_int64);
    case VDL_CELL_COUNT: return fmt::format("{}", cell.payload.as_count);
    case VDL_CELL_TIMESTAMP:
        return vdl::format_timestamp(cell.payload.as_timestamp.seconds, cell.payload.as_timestamp.nanoseconds);
    case VDL_CELL_STRING: return escaped({cell.payload.as_string.data, cell.payload.as_string.length});
    case VDL_CELL_BLOB: {
        const auto* bytes = static_cast<const unsigned char*>(cell.payload.as_blob.data);
        std::string out = "X'";
        for (std::uint32_t i = 0; i < cell.payload.as_blob.length; ++i) out += fmt::format("{:02X}", bytes[i]);
        return out + "'";
    }
    default: return fmt::format("<kind {}>", cell.kind);
    }
}

void print_table(const vdl_result& result, std::ostream& out) {
    const std::size_t columns = result.column_count;
    std::vector<std::string> names(columns);
    std::vector<std::size_t> widths(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        names[c] = escaped({result.names[c].data, result.names[c].length});
        widths[c] = width(names[c]);
    }
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(result.row_count) * columns);
    for (std::uint32_t r = 0; r < result.row_count; ++r)
        for (std::size_t c = 0; c < columns; ++c) {
            texts.push_back(cell_text(result.rows[r][c]));
            widths[c] = std::max(widths[c], width(texts.back()));
        }

    for (std::size_t c = 0; c < columns; ++c) {
        if (c > 0) out << " | ";
        pad(out, names[c], c + 1 == columns ? 0 : widths[c], false);
    }
    out << '\n';
    for (std::size_t c = 0; c < columns; ++c) {
        if (c > 0) out << "-+-";
        out << std::string(widths[c], '-');
    }
    out << '\n';
    for (std::uint32_t r = 0; r < result.row_count; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            if (c > 0) out << " | ";
            const bool right = is_number(result.rows[r][c]);
            const auto& text = texts[static_cast<std::size_t>(r) * columns + c];
            pad(out, text, right || c + 1 < columns ? widths[c] : 0, right);
        }
        out << '\n';
    }
    out << fmt::format("({} row{})\n", result.row_count, result.row_count == 1 ? "" : "s");
}

}  // namespace vdlsh
