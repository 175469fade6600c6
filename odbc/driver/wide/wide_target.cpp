#include "wide/wide_target.hpp"

#include <sqlext.h>

#include <algorithm>

#include "diagnostics/copy_out_string.hpp"
#include "fetch/application_slots.hpp"
#include "fetch/c_type_name.hpp"
#include "fetch/fetch_column_generic.hpp"
#include "logger/logger.hpp"
#include "wide/utf_transcoding.hpp"

namespace wide {

namespace {

// Writes each text the SQL_C_CHAR conversion gives into its slot as UTF-16.
class utf16_slots final : public text_sink {
public:
    utf16_slots(SQLLEN buffer_length, wide_piece* piece) noexcept : buffer_length_(buffer_length), piece_(piece) {}

    put_outcome put(std::string_view text, std::byte* data, std::byte* indicator) override {
        const SQLLEN usable = data != nullptr ? buffer_length_ : 0;
        // Room for whole code units and the 2-byte terminator after them.
        const std::size_t capacity =
            usable >= static_cast<SQLLEN>(unit_size) ? static_cast<std::size_t>(usable) / unit_size - 1 : 0;
        const std::string_view rest = piece_ != nullptr ? text.substr(std::min(piece_->offset, text.size())) : text;
        const utf16_written written = write_utf16(rest, data, capacity);
        if (usable >= static_cast<SQLLEN>(unit_size)) store_into(data + written.units * unit_size, char16_t{0});

        // The units of the value (or of what is left of it) that this call did not write.
        std::size_t left = 0;
        if (piece_ != nullptr && piece_->units_left) {
            left = *piece_->units_left - std::min(*piece_->units_left, written.units);
        } else if (written.bytes_read < rest.size()) {
            left = utf16_length(rest.substr(written.bytes_read));
        }
        const std::size_t length = written.units + left;
        // A piece that could hold a character but not the next one (a surrogate pair in room for
        // one unit) would hand out nothing, call after call.
        if (piece_ != nullptr && left > 0 && written.units == 0 && capacity > 0) return put_outcome::no_room;
        if (left > 0 && usable > 0) log_truncation(usable, static_cast<std::int64_t>(length * unit_size));
        if (indicator != nullptr) store_into(indicator, static_cast<SQLLEN>(length * unit_size));
        if (piece_ != nullptr) {
            piece_->offset += written.bytes_read;
            piece_->units_left = left;
            piece_->returned = true;
            piece_->truncated = left > 0;
        }
        // A bound column without a buffer hands nothing out, so nothing is cut; SQLGetData tells
        // that the value goes on.
        return left > 0 && (data != nullptr || piece_ != nullptr) ? put_outcome::cut : put_outcome::whole;
    }

private:
    SQLLEN buffer_length_;
    wide_piece* piece_;
};

}  // namespace

diag_record fetch_column_wide(const column_data& column, SQLULEN count, SQLULEN first_row, SQLULEN bind_type,
                              SQLPOINTER buffer, SQLLEN buffer_length, SQLLEN* indicator, wide_piece* piece,
                              std::vector<bool>* warned_slots) {
    log_line(logger::level::debug, "{} count {} offset {} to {}", "stmt::fetch_column_wide", count, first_row,
             c_type_label{SQL_C_WCHAR});
    utf16_slots sink(buffer_length, piece);
    return fetch_column_generic(column, count, first_row, bind_type, SQL_C_CHAR, buffer, buffer_length, indicator,
                                nullptr, &sink, warned_slots);
}

}  // namespace wide
