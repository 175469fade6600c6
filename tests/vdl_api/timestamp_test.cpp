#include "timestamp.hpp"

#include "vdl_api.h"

#include <gtest/gtest.h>

namespace vdl {
namespace {

TEST(timestamp, text_and_nanoseconds_convert_both_ways) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"1970-01-01T00:00:00.000000000Z", 0},
        {"1969-12-31T23:59:59.999999999Z", -1},
        {"2000-02-29T12:34:56.789000000Z", 951'827'696'789'000'000},
        {"1900-01-01T00:00:00.000000000Z", -2'208'988'800'000'000'000},
        {"2262-04-11T23:47:16.854775807Z", INT64_MAX},
        {"1677-09-21T00:12:43.145224192Z", INT64_MIN},
    };
    for (const auto& [text, nanoseconds] : cases) {
        auto parsed = parse_timestamp(text);
        ASSERT_TRUE(parsed) << text << ": " << parsed.error().detail;
        EXPECT_EQ(*parsed, nanoseconds) << text;
        const auto split = split_nanoseconds(nanoseconds);
        EXPECT_GE(split.nanoseconds, 0);
        EXPECT_LT(split.nanoseconds, nanos_per_second);
        EXPECT_EQ(format_timestamp(split.seconds, split.nanoseconds), text);
    }
}

TEST(timestamp, short_forms_and_fractions) {
    EXPECT_EQ(*parse_timestamp("2021-03-04"), *parse_timestamp("2021-03-04T00:00:00Z"));
    EXPECT_EQ(*parse_timestamp("2021-03-04T05:06:07"), *parse_timestamp("2021-03-04T05:06:07Z"));
    EXPECT_EQ(*parse_timestamp("1970-01-01T00:00:00.5"), 500'000'000);
    EXPECT_EQ(*parse_timestamp("1970-01-01T00:00:00.000000001Z"), 1);
}

TEST(timestamp, impossible_times_are_refused) {
    for (const char* text : {"2021-02-29", "2100-02-29", "2021-13-01", "2021-00-10", "2021-04-31", "1900-01-00",
                             "2021-01-01T24:00:00", "2021-01-01T23:60:00", "2021-01-01T23:59:60",
                             "2262-04-11T23:47:16.854775808Z", "1677-09-21T00:12:43.145224191Z"}) {
        auto parsed = parse_timestamp(text);
        EXPECT_FALSE(parsed) << text;
        if (!parsed) {
            EXPECT_EQ(parsed.error().code, VDL_E_SYNTAX);
        }
    }
    EXPECT_TRUE(parse_timestamp("2000-02-29"));
}

TEST(timestamp, literal_length_finds_the_end_or_reports_malformed_literals) {
    EXPECT_EQ(*timestamp_literal_length("2021-3-4"), 0u) << "not a date: plain arithmetic";
    EXPECT_EQ(*timestamp_literal_length("20210304"), 0u);
    EXPECT_EQ(*timestamp_literal_length("2021-03-04-1"), 10u);
    EXPECT_EQ(*timestamp_literal_length("2021-03-04)"), 10u);
    EXPECT_EQ(*timestamp_literal_length("2021-03-04T05:06:07.123Z, x"), 24u);
    for (const char* text : {"2021-03-04T05:06", "2021-03-04T", "2021-03-04T05:06:07.", "2021-03-045",
                             "2021-03-04T05:06:07.1234567890", "2021-03-04T05:06:07Zulu"})
        EXPECT_FALSE(timestamp_literal_length(text)) << text;
}

}  // namespace
}  // namespace vdl
