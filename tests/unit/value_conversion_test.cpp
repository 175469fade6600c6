// fetch_column_generic on hand-made columns: the conversion matrix, its limits and edges, and
// the addressing of slots in column-wise and row-wise bound arrays.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "captured_log.hpp"
#include "column_of.hpp"
#include "driver_handles.hpp"
#include "fetch/fetch_column_generic.hpp"
#include "fetch/utc_calendar.hpp"

namespace {

using support::column_of;

template <typename T>
struct converted {
    diag_record status;
    T value;
    SQLLEN indicator;
};

// Converts the first cell into a value of type T that starts filled with 0x5A bytes.
template <typename T>
converted<T> convert(const column_data& column, SQLSMALLINT c_type) {
    converted<T> out{diag_record{}, T{}, -7};
    std::memset(&out.value, 0x5A, sizeof out.value);
    out.status = fetch_column_generic(column, 1, 0, SQL_BIND_BY_COLUMN, c_type, &out.value, sizeof(T), &out.indicator);
    return out;
}

template <typename T>
std::string overflow_of(const column_data& column, SQLSMALLINT c_type) {
    const auto r = convert<T>(column, c_type);
    EXPECT_EQ(r.status.return_code, SQL_ERROR);
    EXPECT_EQ(r.status.sqlstate, "22003");
    EXPECT_EQ(r.indicator, -7) << "a failing row leaves its indicator alone";
    return r.status.message;
}

constexpr std::string_view out_of_range = "[22003] Numeric value out of range: ";

struct text_result {
    diag_record status;
    std::string text;
    SQLLEN indicator;
};

text_result text_of(const column_data& column, SQLLEN buffer_length = 64) {
    std::array<char, 64> buffer{};
    SQLLEN indicator = -7;
    auto status =
        fetch_column_generic(column, 1, 0, SQL_BIND_BY_COLUMN, SQL_C_CHAR, buffer.data(), buffer_length, &indicator);
    return {status, buffer.data(), indicator};
}

}  // namespace

TEST(IntegerConversion, OnlyTheUpperLimitIsCheckedAndNegativesKeepTheirLowBits) {
    const auto bigint = [](std::int64_t v) { return column_of<bigint_cells>({v}); };

    EXPECT_EQ(overflow_of<std::uint8_t>(bigint(300), SQL_C_UTINYINT),
              fmt::format("{}300 overflows numeric limit 255", out_of_range));
    auto tiny = convert<std::uint8_t>(bigint(-1), SQL_C_UTINYINT);
    EXPECT_EQ(tiny.status.return_code, SQL_SUCCESS);
    EXPECT_EQ(tiny.value, 255);
    EXPECT_EQ(tiny.indicator, 1);

    EXPECT_EQ(overflow_of<std::uint32_t>(bigint(4294967296), SQL_C_ULONG),
              fmt::format("{}4294967296 overflows numeric limit 4294967295", out_of_range));
    auto ul = convert<std::uint32_t>(bigint(-1), SQL_C_ULONG);
    EXPECT_EQ(ul.value, 4294967295u);
    EXPECT_EQ(ul.indicator, 4);
    EXPECT_EQ(convert<std::uint32_t>(bigint(4294967295), SQL_C_ULONG).value, 4294967295u) << "the limit itself fits";

    EXPECT_EQ(overflow_of<std::int16_t>(bigint(32768), SQL_C_SSHORT),
              fmt::format("{}32768 overflows numeric limit 32767", out_of_range));
    EXPECT_EQ(convert<std::int16_t>(bigint(-40000), SQL_C_SSHORT).value, static_cast<std::int16_t>(25536));
    EXPECT_EQ(overflow_of<std::uint16_t>(bigint(65536), SQL_C_USHORT),
              fmt::format("{}65536 overflows numeric limit 65535", out_of_range));
    EXPECT_EQ(overflow_of<std::int32_t>(bigint(2147483648), SQL_C_SLONG),
              fmt::format("{}2147483648 overflows numeric limit 2147483647", out_of_range));
    EXPECT_EQ(overflow_of<std::int8_t>(bigint(128), SQL_C_STINYINT),
              fmt::format("{}128 overflows numeric limit 127", out_of_range));
    EXPECT_EQ(convert<std::int8_t>(bigint(-129), SQL_C_STINYINT).value, 127) << "low bits of -129";

    auto ubig = convert<std::uint64_t>(bigint(-1), SQL_C_UBIGINT);
    EXPECT_EQ(ubig.value, std::numeric_limits<std::uint64_t>::max()) << "sign-extended, never checked";
    EXPECT_EQ(ubig.indicator, 8);
    EXPECT_EQ(convert<std::int64_t>(bigint(std::numeric_limits<std::int64_t>::min()), SQL_C_SBIGINT).value,
              std::numeric_limits<std::int64_t>::min());
}

TEST(IntegerConversion, ShortLongAndBitAreAliases) {
    const auto bigint = [](std::int64_t v) { return column_of<bigint_cells>({v}); };
    EXPECT_EQ(overflow_of<std::int16_t>(bigint(32768), SQL_C_SHORT),
              fmt::format("{}32768 overflows numeric limit 32767", out_of_range));
    EXPECT_EQ(convert<std::int16_t>(bigint(-5), SQL_C_SHORT).value, -5);
    EXPECT_EQ(overflow_of<std::int32_t>(bigint(2147483648), SQL_C_LONG),
              fmt::format("{}2147483648 overflows numeric limit 2147483647", out_of_range));
    EXPECT_EQ(convert<std::int32_t>(bigint(-5), SQL_C_LONG).value, -5);
    EXPECT_EQ(convert<std::int8_t>(bigint(-5), SQL_C_TINYINT).value, -5) << "SQL_C_TINYINT is signed";
    EXPECT_EQ(overflow_of<std::int8_t>(bigint(128), SQL_C_TINYINT),
              fmt::format("{}128 overflows numeric limit 127", out_of_range));
}

TEST(IntegerConversion, ComparisonsUseTheSourcesSignedness) {
    // Unsigned sources at their maximum fail where a signed source of the same width never does.
    EXPECT_EQ(overflow_of<std::int16_t>(column_of<ushort_cells>({65535}), SQL_C_SSHORT),
              fmt::format("{}65535 overflows numeric limit 32767", out_of_range));
    EXPECT_EQ(convert<std::uint16_t>(column_of<sshort_cells>({-1}), SQL_C_USHORT).value, 65535);
    EXPECT_EQ(convert<std::int16_t>(column_of<sshort_cells>({-32768}), SQL_C_SSHORT).value, -32768);
    EXPECT_EQ(overflow_of<std::uint8_t>(column_of<sshort_cells>({256}), SQL_C_UTINYINT),
              fmt::format("{}256 overflows numeric limit 255", out_of_range));
    EXPECT_EQ(overflow_of<std::int32_t>(column_of<ulong_cells>({4294967295u}), SQL_C_SLONG),
              fmt::format("{}4294967295 overflows numeric limit 2147483647", out_of_range));
    EXPECT_EQ(overflow_of<std::int32_t>(column_of<ubigint_cells>({2147483648u}), SQL_C_LONG),
              fmt::format("{}2147483648 overflows numeric limit 2147483647", out_of_range));
    EXPECT_EQ(convert<std::uint32_t>(column_of<slong_cells>({-1}), SQL_C_ULONG).value, 4294967295u);
    EXPECT_EQ(convert<std::int64_t>(column_of<ulong_cells>({4294967295u}), SQL_C_SBIGINT).value, 4294967295)
        << "zero-extended from an unsigned source";
    EXPECT_EQ(convert<std::uint64_t>(column_of<slong_cells>({-2}), SQL_C_UBIGINT).value,
              std::numeric_limits<std::uint64_t>::max() - 1);
}

TEST(IntegerConversion, FloatingTargetsRoundBigIntegersThroughTheDouble) {
    // 2^60 + 2^36 + 1 rounds to 2^60 + 2^36 as a double, a tie that a float breaks towards 2^60;
    // rounding straight to float would give 2^60 + 2^37.
    const std::int64_t v = (std::int64_t{1} << 60) + (std::int64_t{1} << 36) + 1;
    auto f = convert<float>(column_of<bigint_cells>({v}), SQL_C_FLOAT);
    EXPECT_EQ(f.value, std::ldexp(1.0f, 60));
    EXPECT_EQ(f.indicator, 4);
    auto d = convert<double>(column_of<bigint_cells>({v}), SQL_C_DOUBLE);
    EXPECT_EQ(d.value, static_cast<double>(v));
    EXPECT_EQ(d.indicator, 8);
    EXPECT_EQ(convert<float>(column_of<ulong_cells>({16777217u}), SQL_C_FLOAT).value, 16777216.0f);
    EXPECT_EQ(convert<double>(column_of<sshort_cells>({-3}), SQL_C_DOUBLE).value, -3.0);
}

TEST(FloatingConversion, FloatAndDoubleTargetsFailOnlyAboveTheLargestFiniteValue) {
    const auto dbl = [](double v) { return column_of<double_cells>({v}); };
    const double inf = std::numeric_limits<double>::infinity();

    EXPECT_EQ(overflow_of<float>(dbl(1e300), SQL_C_FLOAT),
              fmt::format("{}1e+300 overflows numeric limit 3.4028235e+38", out_of_range));
    EXPECT_EQ(convert<float>(dbl(3.4028234663852886e38), SQL_C_FLOAT).value, std::numeric_limits<float>::max());
    EXPECT_EQ(convert<float>(dbl(-1e300), SQL_C_FLOAT).value, -std::numeric_limits<float>::infinity())
        << "below the lowest float the value rounds to negative infinity";
    EXPECT_EQ(convert<float>(dbl(0.1), SQL_C_FLOAT).value, 0.1f);

    EXPECT_EQ(overflow_of<double>(dbl(inf), SQL_C_DOUBLE),
              fmt::format("{}inf overflows numeric limit 1.7976931348623157e+308", out_of_range));
    EXPECT_EQ(convert<double>(dbl(-inf), SQL_C_DOUBLE).value, -inf);
    EXPECT_TRUE(std::isnan(convert<double>(dbl(std::nan("")), SQL_C_DOUBLE).value));

    const auto flt = [](float v) { return column_of<float_cells>({v}); };
    EXPECT_EQ(overflow_of<float>(flt(std::numeric_limits<float>::infinity()), SQL_C_FLOAT),
              fmt::format("{}inf overflows numeric limit 3.4028235e+38", out_of_range));
    EXPECT_EQ(convert<float>(flt(std::numeric_limits<float>::max()), SQL_C_FLOAT).value,
              std::numeric_limits<float>::max());
    EXPECT_EQ(overflow_of<double>(flt(std::numeric_limits<float>::infinity()), SQL_C_DOUBLE),
              fmt::format("{}inf overflows numeric limit 1.7976931348623157e+308", out_of_range));
    EXPECT_EQ(convert<double>(flt(0.1f), SQL_C_DOUBLE).value, static_cast<double>(0.1f)) << "widened, not re-read";
}

TEST(FloatingConversion, IntegerTargetsTruncateTowardZeroBelowTheirLimit) {
    const auto dbl = [](double v) { return column_of<double_cells>({v}); };
    EXPECT_EQ(convert<std::int16_t>(dbl(32767.0), SQL_C_SSHORT).value, 32767);
    EXPECT_EQ(overflow_of<std::int16_t>(dbl(32767.5), SQL_C_SSHORT),
              fmt::format("{}32767.5 overflows numeric limit 32767", out_of_range));
    EXPECT_EQ(convert<std::int16_t>(dbl(-3.9), SQL_C_SSHORT).value, -3);
    EXPECT_EQ(convert<std::uint16_t>(dbl(-1.5), SQL_C_USHORT).value, 65535) << "low bits of the truncated -1";
    EXPECT_EQ(convert<std::int32_t>(dbl(2147483647.0), SQL_C_SLONG).value, 2147483647);
    EXPECT_EQ(overflow_of<std::int32_t>(dbl(2147483647.5), SQL_C_SLONG),
              fmt::format("{}2147483647.5 overflows numeric limit 2147483647", out_of_range));
    EXPECT_EQ(convert<std::uint32_t>(dbl(4294967295.0), SQL_C_ULONG).value, 4294967295u);
    EXPECT_EQ(overflow_of<std::uint8_t>(dbl(255.5), SQL_C_UTINYINT),
              fmt::format("{}255.5 overflows numeric limit 255", out_of_range));
    EXPECT_EQ(overflow_of<std::int8_t>(dbl(127.5), SQL_C_STINYINT),
              fmt::format("{}127.5 overflows numeric limit 127", out_of_range));
    EXPECT_EQ(convert<std::int32_t>(dbl(std::nan("")), SQL_C_SLONG).value, 0) << "NaN stores 0";

    const auto flt = [](float v) { return column_of<float_cells>({v}); };
    EXPECT_EQ(convert<std::int32_t>(flt(2147483520.0f), SQL_C_SLONG).value, 2147483520)
        << "the largest float below 2^31";
    EXPECT_EQ(overflow_of<std::int16_t>(flt(40000.0f), SQL_C_SSHORT),
              fmt::format("{}40000 overflows numeric limit 32767", out_of_range));
}

TEST(FloatingConversion, PowersOfTwoJustAboveIntegerLimitsFail) {
    // The float nearest 2^31 - 1 is 2^31 and the double nearest 2^63 - 1 is 2^63: neither fits.
    EXPECT_EQ(overflow_of<std::int32_t>(column_of<float_cells>({2147483648.0f}), SQL_C_SLONG),
              fmt::format("{}2147483600 overflows numeric limit 2147483647", out_of_range));
    EXPECT_EQ(overflow_of<std::uint32_t>(column_of<float_cells>({4294967296.0f}), SQL_C_ULONG),
              fmt::format("{}4294967300 overflows numeric limit 4294967295", out_of_range));
    EXPECT_EQ(overflow_of<std::int64_t>(column_of<double_cells>({9223372036854775808.0}), SQL_C_SBIGINT),
              fmt::format("{}9.223372036854776e+18 overflows numeric limit 9223372036854775807", out_of_range));
    EXPECT_EQ(overflow_of<std::uint64_t>(column_of<double_cells>({18446744073709551616.0}), SQL_C_UBIGINT),
              fmt::format("{}1.8446744073709552e+19 overflows numeric limit 18446744073709551615", out_of_range));
    EXPECT_EQ(overflow_of<std::int64_t>(column_of<float_cells>({9223372036854775808.0f}), SQL_C_SBIGINT),
              fmt::format("{}9.223372e+18 overflows numeric limit 9223372036854775807", out_of_range));
    EXPECT_EQ(convert<std::int64_t>(column_of<double_cells>({9223372036854774784.0}), SQL_C_SBIGINT).value,
              9223372036854774784)
        << "the largest double below 2^63";
    EXPECT_EQ(convert<std::int64_t>(column_of<double_cells>({-9223372036854775808.0}), SQL_C_SBIGINT).value,
              std::numeric_limits<std::int64_t>::min());
}

TEST(FloatingConversion, UnsignedBigIntegersSplitAtTwoToThe63) {
    const auto dbl = [](double v) { return column_of<double_cells>({v}); };
    EXPECT_EQ(convert<std::uint64_t>(dbl(9223372036854775808.0), SQL_C_UBIGINT).value, std::uint64_t{1} << 63);
    EXPECT_EQ(convert<std::uint64_t>(dbl(18446744073709549568.0), SQL_C_UBIGINT).value, 18446744073709549568u)
        << "the largest double below 2^64 converts exactly";
    EXPECT_EQ(convert<std::uint64_t>(dbl(9223372036854774784.0), SQL_C_UBIGINT).value, 9223372036854774784u);
    EXPECT_EQ(convert<std::uint64_t>(dbl(-1.0), SQL_C_UBIGINT).value, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(convert<std::uint64_t>(column_of<float_cells>({1.8446743e19f}), SQL_C_UBIGINT).value,
              18446742974197923840u);
}

TEST(TextConversion, NumbersBecomeDecimalAndShortestRoundTripText) {
    auto r = text_of(column_of<double_cells>({1.5}));
    EXPECT_EQ(r.status.return_code, SQL_SUCCESS);
    EXPECT_EQ(r.text, "1.5");
    EXPECT_EQ(r.indicator, 3);
    r = text_of(column_of<double_cells>({100.0}));
    EXPECT_EQ(r.text, "100");
    EXPECT_EQ(r.indicator, 3);
    EXPECT_EQ(text_of(column_of<double_cells>({0.1})).text, "0.1");
    EXPECT_EQ(text_of(column_of<double_cells>({1e300})).text, "1e+300");
    EXPECT_EQ(text_of(column_of<float_cells>({0.1f})).text, "0.1") << "shortest text of the float, not the double";
    EXPECT_EQ(text_of(column_of<bigint_cells>({std::numeric_limits<std::int64_t>::min()})).text,
              "-9223372036854775808");
    EXPECT_EQ(text_of(column_of<sshort_cells>({-32768})).text, "-32768");
    EXPECT_EQ(text_of(column_of<ubigint_cells>({4294967295u})).text, "4294967295");
}

TEST(TextConversion, TruncationIsAWarningAndTheIndicatorTellsTheFullLength) {
    support::captured_log log(logger::level::info);
    const auto texts = column_of<text_view_cells>({std::string_view("0123456789")});
    auto r = text_of(texts, 10);
    EXPECT_EQ(r.status.return_code, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.status.sqlstate, "01004");
    EXPECT_EQ(r.text, "012345678");
    EXPECT_EQ(r.indicator, 10);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[Info]  buffer [10] too small for message [10], truncating..."});

    char untouched[4] = {'#', '#', '#', '#'};
    SQLLEN indicator = -7;
    EXPECT_EQ(fetch_column_generic(texts, 1, 0, 0, SQL_C_CHAR, untouched, 0, &indicator).return_code,
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(untouched[0], '#') << "buffer length 0 copies nothing, not even the zero byte";
    EXPECT_EQ(indicator, 10);
    EXPECT_EQ(fetch_column_generic(texts, 1, 0, 0, SQL_C_CHAR, nullptr, 0, &indicator).return_code, SQL_SUCCESS)
        << "without a buffer nothing is handed out, so nothing is cut";

    EXPECT_EQ(text_of(column_of<text_cells>({std::string("owned")})).text, "owned");
    EXPECT_EQ(text_of(column_of<double_cells>({123.25}), 4).text, "123");
}

TEST(TextConversion, BinaryTargetsFillTheWholeBufferWithoutATerminator) {
    const std::string bytes("\x01\x00\x02\x03\x04\x05\x06\x07\x08\x09", 10);
    const auto blob = column_of<text_view_cells>({std::string_view(bytes)});
    std::array<char, 12> buffer{};
    buffer.fill('#');
    SQLLEN indicator = -7;
    EXPECT_EQ(fetch_column_generic(blob, 1, 0, 0, SQL_C_BINARY, buffer.data(), 10, &indicator).return_code,
              SQL_SUCCESS);
    EXPECT_EQ(std::string(buffer.data(), 10), bytes) << "all ten bytes, the zero byte inside included";
    EXPECT_EQ(buffer[10], '#');
    EXPECT_EQ(indicator, 10);

    buffer.fill('#');
    EXPECT_EQ(fetch_column_generic(blob, 1, 0, 0, SQL_C_BINARY, buffer.data(), 4, &indicator).return_code,
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::string(buffer.data(), 5), bytes.substr(0, 4) + "#");
    EXPECT_EQ(indicator, 10);
}

TEST(TimestampConversion, TextAndStructuresAreUtcWithNanoseconds) {
    const auto stamp = [](std::int64_t s, std::int64_t ns) {
        return column_of<timestamp_cells>({timestamp_value{s, ns}});
    };
    // ODBC's text: yyyy-mm-dd hh:mm:ss and only the fraction digits the value needs.
    auto r = text_of(stamp(0, 123));
    EXPECT_EQ(r.text, "1970-01-01 00:00:00.000000123");
    EXPECT_EQ(r.indicator, 29);
    EXPECT_EQ(text_of(stamp(1614834367, 123)).text, "2021-03-04 05:06:07.000000123");
    EXPECT_EQ(text_of(stamp(-1, 500000000)).text, "1969-12-31 23:59:59.5");
    EXPECT_EQ(text_of(stamp(1614834367, 120000000)).text, "2021-03-04 05:06:07.12");
    EXPECT_EQ(text_of(stamp(-9223372037, 145224192)).text, "1677-09-21 00:12:43.145224192");
    EXPECT_EQ(text_of(stamp(9223372036, 854775807)).text, "2262-04-11 23:47:16.854775807");
    r = text_of(stamp(0, 0));
    EXPECT_EQ(r.text, "1970-01-01 00:00:00") << "a whole second has no fraction";
    EXPECT_EQ(r.indicator, 19);
    EXPECT_EQ(text_of(stamp(0, 1), 30).status.return_code, SQL_SUCCESS) << "30 bytes hold the longest text whole";
    EXPECT_EQ(text_of(stamp(0, 1), 29).text, "1970-01-01 00:00:00.00000000");

    auto ts = convert<SQL_TIMESTAMP_STRUCT>(stamp(0, 123), SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(ts.status.return_code, SQL_SUCCESS);
    EXPECT_EQ(ts.indicator, 16);
    EXPECT_EQ(ts.value.year, 1970);
    EXPECT_EQ(ts.value.month, 1);
    EXPECT_EQ(ts.value.day, 1);
    EXPECT_EQ(ts.value.hour + ts.value.minute + ts.value.second, 0);
    EXPECT_EQ(ts.value.fraction, 123u);

    // 1900-02-28T23:59:59.999999999Z, before the epoch and in a century year without a leap day.
    const auto before = stamp(-2203891201, 999999999);
    auto d = convert<SQL_DATE_STRUCT>(before, SQL_C_TYPE_DATE);
    EXPECT_EQ(d.indicator, 6);
    EXPECT_EQ(d.value.year, 1900);
    EXPECT_EQ(d.value.month, 2);
    EXPECT_EQ(d.value.day, 28);
    auto t = convert<SQL_TIME_STRUCT>(before, SQL_C_TYPE_TIME);
    EXPECT_EQ(t.indicator, 6);
    EXPECT_EQ(t.value.hour, 23);
    EXPECT_EQ(t.value.minute, 59);
    EXPECT_EQ(t.value.second, 59);
}

TEST(TimestampConversion, CalendarFieldsCoverLeapDaysAndFarYears) {
    EXPECT_EQ(utc_fields_of(951782400), (utc_fields{2000, 2, 29, 0, 0, 0}));
    EXPECT_EQ(utc_fields_of(-2203891200), (utc_fields{1900, 3, 1, 0, 0, 0}));
    EXPECT_EQ(utc_fields_of(253402300799), (utc_fields{9999, 12, 31, 23, 59, 59}));
    EXPECT_EQ(utc_fields_of(-62135596800), (utc_fields{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(utc_fields_of(-62135596801), (utc_fields{0, 12, 31, 23, 59, 59}));
    EXPECT_EQ(utc_fields_of(32503680000), (utc_fields{3000, 1, 1, 0, 0, 0}));
    const auto far = utc_fields_of(std::numeric_limits<std::int64_t>::min());
    EXPECT_LT(far.year, -290'000'000'000) << "the extremes compute without overflow";
    EXPECT_EQ(utc_fields_of(std::numeric_limits<std::int64_t>::max()).year, 292277026596);
}

TEST(UnconvertiblePairs, NameBothTypesAndSpareNullCells) {
    const auto texts = column_of<text_view_cells>({std::nullopt, std::string_view("x")});
    std::array<std::int32_t, 2> values{};
    std::array<SQLLEN, 2> indicators{9, 9};
    auto r = fetch_column_generic(texts, 2, 0, 0, SQL_C_TYPE_DATE, values.data(), 0, indicators.data());
    EXPECT_EQ(r.return_code, SQL_ERROR);
    EXPECT_EQ(r.sqlstate, "07006");
    EXPECT_EQ(r.message, "Tried to convert SQL_CHAR to SQL_C_TYPE_DATE");
    EXPECT_EQ(indicators[0], SQL_NULL_DATA) << "the NULL row before the failure succeeded";

    EXPECT_EQ(fetch_column_generic(texts, 1, 1, 0, SQL_C_WCHAR, values.data(), 8, nullptr).message,
              "Tried to convert SQL_CHAR to SQL_C_WCHAR");
    EXPECT_EQ(fetch_column_generic(texts, 1, 0, 0, SQL_C_WCHAR, values.data(), 8, nullptr).return_code, SQL_SUCCESS)
        << "a NULL cell converts to anything";
    EXPECT_EQ(convert<double>(column_of<double_cells>({1.0}), 99).status.message,
              "Tried to convert SQL_DOUBLE to SQL_C_DEFAULT")
        << "the fetch functions give SQL_C_DEFAULT the column's own type before converting";
    EXPECT_EQ(convert<std::int64_t>(column_of<bigint_cells>({1}), SQL_C_BINARY).status.message,
              "Tried to convert SQL_BIGINT to SQL_C_BINARY");
    EXPECT_EQ(convert<SQL_DATE_STRUCT>(column_of<double_cells>({1.0}), SQL_C_TYPE_DATE).status.message,
              "Tried to convert SQL_DOUBLE to SQL_C_TYPE_DATE");
    EXPECT_EQ(convert<std::int64_t>(column_of<timestamp_cells>({timestamp_value{}}), SQL_C_SBIGINT).status.message,
              "Tried to convert SQL_TYPE_TIMESTAMP to SQL_C_SBIGINT");
    EXPECT_EQ(convert<SQL_DATE_STRUCT>(texts, SQL_C_TYPE_DATE).status.return_code, SQL_SUCCESS) << "row 0 is NULL";

    std::array<SQLLEN, 3> nulls{9, 9, 9};
    EXPECT_EQ(fetch_column_generic(no_cells{}, 3, 0, 0, SQL_C_GUID, values.data(), 0, nulls.data()).return_code,
              SQL_SUCCESS)
        << "a column without cells is NULL in every row";
    EXPECT_EQ(nulls, (std::array<SQLLEN, 3>{SQL_NULL_DATA, SQL_NULL_DATA, SQL_NULL_DATA}));
}

TEST(RowsetSlots, ColumnWiseArraysStepByElementAndIndicatorsBySqllen) {
    const auto column = column_of<bigint_cells>({10, std::nullopt, 30, 40});
    std::array<std::int32_t, 3> values{-1, -1, -1};
    std::array<SQLLEN, 3> indicators{9, 9, 9};
    // From the last row on: one value, then two rows past the end.
    EXPECT_EQ(fetch_column_generic(column, 3, 3, 0, SQL_C_SLONG, values.data(), 0, indicators.data()).return_code,
              SQL_SUCCESS);
    EXPECT_EQ(values, (std::array<std::int32_t, 3>{40, -1, -1}));
    EXPECT_EQ(indicators, (std::array<SQLLEN, 3>{4, SQL_NULL_DATA, SQL_NULL_DATA}));

    EXPECT_EQ(fetch_column_generic(column, 3, 0, 0, SQL_C_SLONG, values.data(), 0, indicators.data()).return_code,
              SQL_SUCCESS);
    EXPECT_EQ(values, (std::array<std::int32_t, 3>{10, -1, 30})) << "the NULL slot keeps its old value";
    EXPECT_EQ(indicators, (std::array<SQLLEN, 3>{4, SQL_NULL_DATA, 4}));

    // Character arrays step by the buffer length.
    const auto texts = column_of<text_view_cells>({std::string_view("ab"), std::string_view("cdef")});
    std::array<char, 8> chars{};
    chars.fill('#');
    EXPECT_EQ(fetch_column_generic(texts, 2, 0, 0, SQL_C_CHAR, chars.data(), 4, indicators.data()).return_code,
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::string(chars.data(), 8), std::string("ab\0#cde\0", 8));
    EXPECT_EQ(indicators[0], 2);
    EXPECT_EQ(indicators[1], 4);

    // A null indicator or buffer is skipped in every slot.
    EXPECT_EQ(fetch_column_generic(column, 3, 1, 0, SQL_C_SLONG, values.data(), 0, nullptr).return_code, SQL_SUCCESS);
    EXPECT_EQ(values, (std::array<std::int32_t, 3>{10, 30, 40}));
    EXPECT_EQ(fetch_column_generic(column, 3, 0, 0, SQL_C_SLONG, nullptr, 0, indicators.data()).return_code,
              SQL_SUCCESS);
    EXPECT_EQ(indicators, (std::array<SQLLEN, 3>{4, SQL_NULL_DATA, 4}));
}

TEST(RowsetSlots, RowWiseBindingMovesValueAndIndicatorByTheRowSize) {
    struct row {
        std::int32_t value;
        char text[4];
        SQLLEN value_indicator;
        SQLLEN text_indicator;
    };
    static_assert(sizeof(row) == 24);
    std::array<row, 3> rows{};
    for (auto& r : rows) r = row{-1, {'#', '#', '#', '#'}, 9, 9};
    const auto numbers = column_of<bigint_cells>({1, std::nullopt});
    const auto texts = column_of<text_cells>({std::string("a"), std::string("bcdef")});
    EXPECT_EQ(fetch_column_generic(numbers, 3, 0, sizeof(row), SQL_C_SLONG, &rows[0].value, 0, &rows[0].value_indicator)
                  .return_code,
              SQL_SUCCESS);
    EXPECT_EQ(fetch_column_generic(texts, 3, 0, sizeof(row), SQL_C_CHAR, rows[0].text, 4, &rows[0].text_indicator)
                  .return_code,
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(rows[0].value, 1);
    EXPECT_EQ(rows[0].value_indicator, 4);
    EXPECT_STREQ(rows[0].text, "a");
    EXPECT_EQ(rows[0].text_indicator, 1);
    EXPECT_EQ(rows[1].value, -1);
    EXPECT_EQ(rows[1].value_indicator, SQL_NULL_DATA);
    EXPECT_EQ(std::string(rows[1].text, 4), std::string("bcd\0", 4));
    EXPECT_EQ(rows[1].text_indicator, 5);
    EXPECT_EQ(rows[2].value_indicator, SQL_NULL_DATA);
    EXPECT_EQ(rows[2].text_indicator, SQL_NULL_DATA);

    // A packed row of 17 bytes puts values and indicators at odd addresses.
    std::array<unsigned char, 3 * 17 + 1> packed{};
    EXPECT_EQ(fetch_column_generic(column_of<double_cells>({0.5, std::nullopt, 2.5}), 3, 0, 17, SQL_C_DOUBLE,
                                   &packed[1], 0, reinterpret_cast<SQLLEN*>(&packed[9]))
                  .return_code,
              SQL_SUCCESS);
    const std::array<SQLLEN, 3> lengths{8, SQL_NULL_DATA, 8};
    for (std::size_t j = 0; j < 3; ++j) {
        double d = 0;
        SQLLEN length = 0;
        std::memcpy(&d, &packed[1 + 17 * j], sizeof d);
        std::memcpy(&length, &packed[9 + 17 * j], sizeof length);
        if (j != 1) {
            EXPECT_EQ(d, 0.5 + static_cast<double>(j)) << "row " << j;
        }
        EXPECT_EQ(length, lengths[j]) << "row " << j;
    }
}

TEST(RowsetSlots, AFailingRowStopsTheCallAndKeepsEarlierSlots) {
    const auto column = column_of<bigint_cells>({1, 2, 300, 4, 5});
    std::array<std::uint8_t, 5> values{};
    values.fill(0xEE);
    std::array<SQLLEN, 5> indicators{9, 9, 9, 9, 9};
    auto r = fetch_column_generic(column, 5, 0, 0, SQL_C_UTINYINT, values.data(), 0, indicators.data());
    EXPECT_EQ(r.sqlstate, "22003");
    EXPECT_EQ(r.message, fmt::format("{}300 overflows numeric limit 255", out_of_range));
    EXPECT_EQ(values, (std::array<std::uint8_t, 5>{1, 2, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(indicators, (std::array<SQLLEN, 5>{1, 1, 9, 9, 9}));
}

TEST(ValuePieces, HandOutTheRestFromTheOffsetAndWarnWhileBytesRemain) {
    const auto texts = column_of<text_view_cells>({std::string_view("0123456789")});
    std::array<char, 4> buffer{};
    SQLLEN indicator = 0;
    value_piece piece;
    auto r = fetch_column_generic(texts, 1, 0, 0, SQL_C_CHAR, buffer.data(), 4, &indicator, &piece);
    EXPECT_EQ(r.return_code, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.sqlstate, "01004");
    EXPECT_EQ(r.message, "String data, right-truncated");
    EXPECT_STREQ(buffer.data(), "012");
    EXPECT_EQ(indicator, 10);
    EXPECT_EQ(piece.offset, 3u);

    piece.offset = 7;
    r = fetch_column_generic(texts, 1, 0, 0, SQL_C_CHAR, buffer.data(), 4, &indicator, &piece);
    EXPECT_EQ(r.return_code, SQL_SUCCESS);
    EXPECT_STREQ(buffer.data(), "789");
    EXPECT_EQ(indicator, 3);
    EXPECT_TRUE(piece.returned);
    EXPECT_FALSE(piece.truncated);

    value_piece binary;
    r = fetch_column_generic(texts, 1, 0, 0, SQL_C_BINARY, buffer.data(), 4, &indicator, &binary);
    EXPECT_EQ(r.return_code, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::string(buffer.data(), 4), "0123") << "binary pieces use every byte of the buffer";
    EXPECT_EQ(binary.offset, 4u);

    value_piece empty_buffer;
    r = fetch_column_generic(texts, 1, 0, 0, SQL_C_CHAR, buffer.data(), 0, &indicator, &empty_buffer);
    EXPECT_EQ(r.return_code, SQL_SUCCESS_WITH_INFO) << "a zero-length buffer asks for the length";
    EXPECT_EQ(indicator, 10);
    EXPECT_EQ(empty_buffer.offset, 0u);
}

namespace {

// One case of a conversion rule: a single cell converted to a C type, and what comes out.
struct conversion_case {
    std::string_view name;
    column_data column;
    SQLSMALLINT c_type;
    std::string_view sqlstate;     // "00000" for a plain success
    std::vector<std::byte> value;  // the bytes stored on success or with a warning
};

template <typename T>
std::vector<std::byte> bytes_of(const T& value) {
    std::vector<std::byte> out(sizeof value);
    std::memcpy(out.data(), &value, sizeof value);
    return out;
}

SQL_NUMERIC_STRUCT numeric(bool negative, std::uint64_t magnitude) {
    SQL_NUMERIC_STRUCT n{};
    n.precision = 38;
    n.scale = 0;
    n.sign = negative ? 0 : 1;
    for (std::size_t i = 0; i < 8; ++i) n.val[i] = static_cast<SQLCHAR>(magnitude >> (8 * i));
    return n;
}

column_data text(std::string_view t) { return column_of<text_view_cells>({t}); }
column_data integer(std::int64_t v) { return column_of<bigint_cells>({v}); }
column_data real(double v) { return column_of<double_cells>({v}); }

std::vector<conversion_case> conversion_cases() {
    const std::vector<std::byte> none;
    return {
        // A bit is 0 or 1: other integers are out of range; a fraction in [0, 2) is dropped with 01S07.
        {"integer_1_as_bit", integer(1), SQL_C_BIT, "00000", bytes_of<std::uint8_t>(1)},
        {"integer_10_as_bit", integer(10), SQL_C_BIT, "22003", none},
        {"integer_minus_1_as_bit", integer(-1), SQL_C_BIT, "22003", none},
        {"double_1_5_as_bit", real(1.5), SQL_C_BIT, "01S07", bytes_of<std::uint8_t>(1)},
        {"double_0_25_as_bit", real(0.25), SQL_C_BIT, "01S07", bytes_of<std::uint8_t>(0)},
        {"double_2_as_bit", real(2.0), SQL_C_BIT, "22003", none},
        {"text_1_as_bit", text("1"), SQL_C_BIT, "00000", bytes_of<std::uint8_t>(1)},
        // Integer targets drop a fraction with 01S07; a whole double converts silently.
        {"double_1_5_as_long", real(1.5), SQL_C_SLONG, "01S07", bytes_of<std::int32_t>(1)},
        {"double_minus_2_7_as_short", real(-2.7), SQL_C_SSHORT, "01S07", bytes_of<std::int16_t>(-2)},
        {"double_3_as_bigint", real(3.0), SQL_C_SBIGINT, "00000", bytes_of<std::int64_t>(3)},
        {"double_1_5_as_utinyint", real(1.5), SQL_C_UTINYINT, "01S07", bytes_of<std::uint8_t>(1)},
        // Text holding a number converts to the numeric types; other text is 22018.
        {"text_42_as_long", text("42"), SQL_C_SLONG, "00000", bytes_of<std::int32_t>(42)},
        {"text_with_blanks_as_short", text(" -7 "), SQL_C_SSHORT, "00000", bytes_of<std::int16_t>(-7)},
        {"text_1_5_as_double", text("1.5"), SQL_C_DOUBLE, "00000", bytes_of<double>(1.5)},
        {"text_1_5_as_float", text("1.5"), SQL_C_FLOAT, "00000", bytes_of<float>(1.5f)},
        {"text_1_5_as_long", text("1.5"), SQL_C_SLONG, "01S07", bytes_of<std::int32_t>(1)},
        {"text_300_as_utinyint", text("300"), SQL_C_UTINYINT, "22003", none},
        {"text_word_as_long", text("abc"), SQL_C_SLONG, "22018", none},
        {"empty_text_as_double", text(""), SQL_C_DOUBLE, "22018", none},
        // SQL_C_TINYINT is the signed tiny integer.
        {"integer_minus_5_as_tinyint", integer(-5), SQL_C_TINYINT, "00000", bytes_of<std::int8_t>(-5)},
        {"integer_200_as_tinyint", integer(200), SQL_C_TINYINT, "22003", none},
        // SQL_C_NUMERIC: precision 38, scale 0, the magnitude little-endian.
        {"integer_123_as_numeric", integer(123), SQL_C_NUMERIC, "00000", bytes_of(numeric(false, 123))},
        {"integer_minus_123_as_numeric", integer(-123), SQL_C_NUMERIC, "00000", bytes_of(numeric(true, 123))},
        {"double_12_75_as_numeric", real(12.75), SQL_C_NUMERIC, "01S07", bytes_of(numeric(false, 12))},
        {"text_as_numeric", text("65536"), SQL_C_NUMERIC, "00000", bytes_of(numeric(false, 65536))},
        {"double_1e40_as_numeric", real(1e40), SQL_C_NUMERIC, "22003", none},
    };
}

class ConversionRules : public ::testing::TestWithParam<conversion_case> {};

}  // namespace

TEST_P(ConversionRules, StoreTheValueOrRefuseIt) {
    const conversion_case& c = GetParam();
    std::vector<std::byte> buffer(32, std::byte{0x5A});
    SQLLEN indicator = -7;
    const diag_record r = fetch_column_generic(c.column, 1, 0, SQL_BIND_BY_COLUMN, c.c_type, buffer.data(),
                                               static_cast<SQLLEN>(buffer.size()), &indicator);
    EXPECT_EQ(r.sqlstate, c.sqlstate) << r.message;
    if (c.value.empty()) {
        EXPECT_EQ(r.return_code, SQL_ERROR);
        EXPECT_EQ(indicator, -7) << "a refused value leaves the indicator alone";
        return;
    }
    EXPECT_EQ(r.return_code, c.sqlstate == "00000" ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::vector<std::byte>(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(c.value.size())),
              c.value);
    EXPECT_EQ(indicator, static_cast<SQLLEN>(c.value.size()));
}

INSTANTIATE_TEST_SUITE_P(Table, ConversionRules, ::testing::ValuesIn(conversion_cases()),
                         [](const auto& test_case) { return std::string(test_case.param.name); });
