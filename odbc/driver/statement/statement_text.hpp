#pragma once
// Where a statement text is code and where it is a quoted literal, a quoted name or a comment,
// as the query language reads it. Parameter markers, the ";" that ends a statement and the
// words the rewrite rules look for count only in code: a "?" or a ";" inside 'text', "name" or a
// comment is part of that literal, name or comment.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "diagnostics/diag_record.hpp"

class statement_text {
public:
    explicit statement_text(std::string_view text);

    [[nodiscard]] std::string_view text() const noexcept { return text_; }
    // Whether the byte at `at` is code: outside every literal, quoted name and comment. The
    // quotes that open and close a literal or name are not code either.
    [[nodiscard]] bool in_code(std::size_t at) const noexcept {
        return at < regions_.size() && regions_[at] == region::code;
    }
    [[nodiscard]] bool in_comment(std::size_t at) const noexcept {
        return at < regions_.size() && regions_[at] == region::comment;
    }
    // The first occurrence of `needle` at or after `from` that starts in code; npos if none.
    [[nodiscard]] std::size_t find_in_code(std::string_view needle, std::size_t from = 0) const noexcept;
    // Offsets of the "?" parameter markers, in text order.
    [[nodiscard]] std::vector<std::size_t> markers() const;
    // The first word of the statement, after blanks, comments and opening parentheses.
    [[nodiscard]] std::string_view first_word() const noexcept;
    // Whether the statement is a SELECT (by its first word, in any case).
    [[nodiscard]] bool is_select() const noexcept;
    // Whether the statement is a query that only reads: a SELECT, a VALUES, or a WITH whose
    // definitions are followed by a SELECT or VALUES (a WITH can also lead an INSERT, UPDATE or
    // DELETE, which is not one).
    [[nodiscard]] bool is_query() const noexcept;
    // Just past the last byte that is neither a blank nor part of a comment: where a clause can
    // be appended without landing in a trailing comment.
    [[nodiscard]] std::size_t end_of_code() const noexcept;
    // Whether [from, to) holds only blanks and comments.
    [[nodiscard]] bool only_blanks_and_comments(std::size_t from, std::size_t to) const noexcept;

private:
    enum class region : unsigned char { code, quoted, comment };
    [[nodiscard]] region at(std::size_t offset) const noexcept { return regions_[offset]; }

    std::string_view text_;
    std::vector<region> regions_;
};

// SQLNumParams reports the marker count in a signed 16-bit number.
inline constexpr std::size_t max_parameter_markers = 32767;

// The refusal of a statement text that holds a zero byte within the length it was given: the
// store would stop reading at that byte and run only the part before it.
std::optional<diag_record> zero_byte_refusal(std::string_view text);
