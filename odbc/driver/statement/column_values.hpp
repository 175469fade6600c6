#pragma once
// The cells of one result column, held in one of two ways:
// - owned, in compact form: the values in one array, and one validity bit per row (clear for SQL
//   NULL) in another; catalog results append row by row, and a query column whose library cells
//   are of mixed kinds is copied in, sized once from its row count;
// - viewed: a column of numbers, timestamps or texts whose library cells are all of the column's
//   kind (or NULL) is read in the library's result record itself, with no copy (see
//   `column_values::viewing`).
// Reading a cell is `has_value(row)` and `value(row)`; the optional-returning accessors serve code
// and tests that look at single cells.

#include <sys/mman.h>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <vector>

#include "vdl_api.h"

// Allocates arrays of several MiB with their pages mapped in one call (MADV_POPULATE_WRITE), so
// that filling a large result does not stop at a page fault every 4 KiB; smaller arrays come
// from the ordinary heap. (Transparent huge pages were tried: on a loaded machine the kernel
// compacts memory to find them, which cost more than the faults saved.)
template <typename T>
struct large_array_allocator {
    using value_type = T;
    static constexpr std::size_t page = 4096;  // madvise takes whole pages
    static constexpr std::size_t threshold = std::size_t{4} << 20;

    large_array_allocator() noexcept = default;
    template <typename U>
    large_array_allocator(const large_array_allocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < threshold) return std::allocator<T>{}.allocate(n);
        const std::size_t rounded = (bytes + page - 1) / page * page;
        void* memory = std::aligned_alloc(page, rounded);
        if (memory == nullptr) throw std::bad_alloc();
        (void)::madvise(memory, rounded, MADV_POPULATE_WRITE);  // a hint: without it pages fault one by one
        return static_cast<T*>(memory);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < threshold) {
            std::allocator<T>{}.deallocate(p, n);
        } else {
            std::free(p);
        }
    }
    template <typename U>
    friend bool operator==(const large_array_allocator&, const large_array_allocator<U>&) noexcept {
        return true;
    }
};

// The value types a column can view in a library record, and how one is read from its cell.
template <typename T>
struct cell_reader;
template <>
struct cell_reader<double> {
    static double read(const vdl_cell& c) noexcept { return c.payload.as_double; }
};
template <>
struct cell_reader<std::int64_t> {
    static std::int64_t read(const vdl_cell& c) noexcept { return c.payload.as_int64; }
};
template <>
struct cell_reader<std::string_view> {
    // Blob and string payloads share the {pointer, length} layout.
    static std::string_view read(const vdl_cell& c) noexcept {
        return {c.payload.as_string.data, c.payload.as_string.length};
    }
};

template <typename T>
concept viewable_value = requires(const vdl_cell& c) {
    { cell_reader<T>::read(c) } -> std::same_as<T>;
};

template <typename T>
class column_values {
public:
    using value_type = std::optional<T>;
    // A value is handed out by copy where it may be read from a record, by reference otherwise.
    using value_reference = std::conditional_t<viewable_value<T>, T, const T&>;

    column_values() = default;
    // `rows` cells, every one NULL until set.
    explicit column_values(std::size_t rows)
        : values_(rows), valid_(rows > inline_rows ? words_for(rows) : 0, 0), size_(rows) {}
    column_values(std::initializer_list<std::optional<T>> cells) { assign(cells.begin(), cells.end()); }

    // Column `column` of the library record's `rows` rows, read in place. Every cell of it must be
    // NULL or of the kind whose payload `cell_reader<T>` reads; the record must outlive the column.
    static column_values viewing(const vdl_cell* const* rows, std::size_t row_count,
                                 std::uint32_t column) requires viewable_value<T> {
        column_values c;
        c.rows_ = rows;
        c.column_ = column;
        c.size_ = row_count;
        return c;
    }
    // Whether the cells are read in a library record.
    [[nodiscard]] bool viewed() const noexcept { return rows_ != nullptr; }

    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }

    // Whether the cell of the row holds a value (the row must be below size()).
    [[nodiscard]] bool has_value(std::size_t row) const noexcept {
        if constexpr (viewable_value<T>)
            if (rows_ != nullptr) return rows_[row][column_].kind != VDL_CELL_NULL;
        const std::uint64_t word = valid_.empty() ? inline_valid_ : valid_[row / 64];
        return (word >> (row % 64)) & 1u;
    }
    // The value of a cell that has one.
    [[nodiscard]] value_reference value(std::size_t row) const noexcept {
        if constexpr (viewable_value<T>)
            if (rows_ != nullptr) return cell_reader<T>::read(rows_[row][column_]);
        return values_[row];
    }

    // A copy of the cell: empty for NULL.
    std::optional<T> operator[](std::size_t row) const {
        if (!has_value(row)) return std::nullopt;
        return value(row);
    }
    std::optional<T> at(std::size_t row) const {
        if (row >= size_) throw std::out_of_range("column_values::at");
        return (*this)[row];
    }

    // Stores a value into a cell of a sized column.
    void set(std::size_t row, T value) {
        values_[row] = std::move(value);
        const std::uint64_t bit = std::uint64_t{1} << (row % 64);
        if (valid_.empty()) {
            inline_valid_ |= bit;
        } else {
            valid_[row / 64] |= bit;
        }
    }

    void reserve(std::size_t rows) {
        values_.reserve(rows);
        if (rows > inline_rows) valid_.reserve(words_for(rows));
    }
    // Appends a NULL cell.
    void emplace_back() { grow(); }
    // Appends a cell holding a value.
    void emplace_back(T value) {
        grow();
        set(size_ - 1, std::move(value));
    }
    void push_back(std::optional<T> cell) {
        if (cell) {
            emplace_back(std::move(*cell));
        } else {
            emplace_back();
        }
    }
    template <typename It>
    void assign(It first, It last) {
        rows_ = nullptr;
        values_.clear();
        valid_.clear();
        inline_valid_ = 0;
        size_ = 0;
        for (; first != last; ++first) push_back(*first);
    }

    // Iteration yields the cells as optionals, in row order.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::optional<T>;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::optional<T>;
        const_iterator() = default;
        const_iterator(const column_values* owner, std::size_t row) : owner_(owner), row_(row) {}
        std::optional<T> operator*() const { return (*owner_)[row_]; }
        const_iterator& operator++() {
            ++row_;
            return *this;
        }
        const_iterator operator++(int) {
            auto before = *this;
            ++row_;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) noexcept { return a.row_ == b.row_; }

    private:
        const column_values* owner_ = nullptr;
        std::size_t row_ = 0;
    };
    [[nodiscard]] const_iterator begin() const { return {this, 0}; }
    [[nodiscard]] const_iterator end() const { return {this, size_}; }

    friend bool operator==(const column_values& a, const column_values& b) {
        if (a.size_ != b.size_) return false;
        for (std::size_t r = 0; r < a.size_; ++r)
            if (a[r] != b[r]) return false;
        return true;
    }
    friend bool operator==(const column_values& a, const std::vector<std::optional<T>>& b) {
        return a == column_values(b.begin(), b.end(), 0);
    }

private:
    template <typename It>
    column_values(It first, It last, int) {
        assign(first, last);
    }
    // A column of up to 64 rows (a point query's answer) keeps its bits in the column itself, which
    // saves an allocation per column of every small result.
    static constexpr std::size_t inline_rows = 64;
    static std::size_t words_for(std::size_t rows) noexcept { return (rows + 63) / 64; }
    void grow() {
        values_.emplace_back();
        if (size_ == inline_rows) valid_.push_back(inline_valid_);  // the column outgrows its own word
        if (size_ >= inline_rows && size_ % 64 == 0) valid_.push_back(0);
        ++size_;
    }

    // Owned cells (both empty while viewing).
    std::vector<T, large_array_allocator<T>> values_;
    std::vector<std::uint64_t, large_array_allocator<std::uint64_t>> valid_;  // empty up to inline_rows rows
    std::uint64_t inline_valid_ = 0;
    std::size_t size_ = 0;
    // Viewed cells: the library record's rows and the column's place in them.
    const vdl_cell* const* rows_ = nullptr;
    std::uint32_t column_ = 0;
};
