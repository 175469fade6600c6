#include "sample_data.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

namespace vdlsh {
namespace {

constexpr std::uint64_t rows_per_statement = 1000;

// One row's values as literals of the query language.
using row_writer = std::function<std::string(std::uint64_t index, std::mt19937_64& random)>;

// Each symbol's price walks from its own start by at most 20 cents a row, never below 10.00, so
// that a chart of price over time shows a line per symbol.
row_writer trades_rows() {
    static constexpr std::array<std::string_view, 6> symbols{"ibm", "aapl", "msft", "goog", "amzn", "tsla"};
    std::array<std::int64_t, symbols.size()> cents{14000, 13000, 25000, 9500, 10000, 20000};
    return [cents](std::uint64_t i, std::mt19937_64& random) mutable {
        const auto s = random() % symbols.size();
        cents[s] = std::max<std::int64_t>(1000, cents[s] + static_cast<std::int64_t>(random() % 41) - 20);
        const auto sym = i % 97 == 5 ? std::string("NULL") : fmt::format("'{}'", symbols[s]);
        const auto price = i % 89 == 7 ? std::string("NULL") : fmt::format("{}", static_cast<double>(cents[s]) / 100.0);
        const auto volume = i % 101 == 3 ? std::string("NULL") : fmt::format("{}", 1 + random() % 10000);
        return fmt::format("({}, {}, {}, {})", sample_start + static_cast<std::int64_t>(i) * sample_step, sym, price,
                           volume);
    };
}

std::string sensors_row(std::uint64_t i, std::mt19937_64& random) {
    const auto sensor = fmt::format("'sensor-{:02}'", 1 + random() % 8);
    const auto reading =
        i % 53 == 2
            ? std::string("NULL")
            : fmt::format("{}", static_cast<double>(static_cast<std::int64_t>(random() % 200000) - 50000) / 1000.0);
    std::string payload = "NULL";
    if (i % 61 != 4) {
        // Blobs of 0 to 16 bytes; every fourth byte is zero.
        const auto length = random() % 17;
        payload = "X'";
        for (std::uint64_t b = 0; b < length; ++b) payload += fmt::format("{:02X}", b % 4 == 0 ? 0u : random() % 256);
        payload += "'";
    }
    return fmt::format("({}, {}, {}, {})", sample_start + static_cast<std::int64_t>(i) * sample_step, sensor, reading,
                       payload);
}

vdl::status fill(vdl::session& session, std::string_view table, std::string_view create, std::string_view columns,
                 const row_writer& row, std::uint64_t rows, const progress_callback& progress) {
    // The table and its rows appear together or not at all.
    auto group = session.begin();
    if (!group) return std::move(group).error();
    auto created = session.query(create);
    if (!created) return std::move(created).error();
    std::mt19937_64 random(20210101);
    std::string statement;
    for (std::uint64_t first = 0; first < rows; first += rows_per_statement) {
        const auto last = std::min(rows, first + rows_per_statement);
        statement = fmt::format("INSERT INTO {} ({}) VALUES ", table, columns);
        for (std::uint64_t i = first; i < last; ++i) {
            if (i > first) statement += ", ";
            statement += row(i, random);
        }
        auto inserted = session.query(statement);
        if (!inserted) return std::move(inserted).error();
        if (progress) progress(table, last, rows);
    }
    return group->commit();
}

}  // namespace

vdl::status create_samples(vdl::session& session, std::uint64_t rows, const progress_callback& progress) {
    if (auto trades = fill(session, "trades", "CREATE TABLE trades (sym STRING, price DOUBLE, volume INT64)",
                           "$timestamp, sym, price, volume", trades_rows(), rows, progress);
        !trades)
        return trades;
    return fill(session, "sensors", "CREATE TABLE sensors (sensor STRING, reading DOUBLE, payload BLOB)",
                "$timestamp, sensor, reading, payload", sensors_row, rows, progress);
}

}  // namespace vdlsh
