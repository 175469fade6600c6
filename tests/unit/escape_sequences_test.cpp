// The translation of ODBC escape sequences into the store's language, and what SQLGetInfo claims
// of it.

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "statement/escape_sequences.hpp"
#include "statement/statement_text.hpp"

namespace {

struct translated_case {
    const char* text;
    const char* expected;
};

const translated_case translated_cases[] = {
    // Literals.
    translated_case{"select {d '2021-03-04'}", "select 2021-03-04T00:00:00"},
    translated_case{"select {ts '2021-03-04 05:06:07'}", "select 2021-03-04T05:06:07"},
    translated_case{"select {ts '2021-03-04 05:06:07.123456'}", "select 2021-03-04T05:06:07.123456"},
    translated_case{"select {TS'2020-02-29 23:59:59'}", "select 2020-02-29T23:59:59"},
    translated_case{"select { t '05:06:07' }", "select TIME '05:06:07'"},
    // Scalar functions, their arguments copied as written.
    translated_case{"select {fn UCASE(sym)} from t", "select upper(sym) from t"},
    translated_case{"select {fn lcase( sym )}", "select lower(sym)"},
    translated_case{"select {fn LENGTH('ab  ')}", "select length(rtrim('ab  ', ' '))"},
    translated_case{"select {fn SUBSTRING(s, 2, 3)}", "select substr(s, 2, 3)"},
    translated_case{"select {fn SUBSTRING(s, 2)}", "select substr(s, 2)"},
    translated_case{"select {fn CONCAT('a,b', f(x, y))}", "select ('a,b' || f(x, y))"},
    translated_case{"select {fn LTRIM(s)}, {fn RTRIM(s)}", "select ltrim(s, ' '), rtrim(s, ' ')"},
    translated_case{"select {fn MOD(a, 3)}", "select ((a) % (3))"},
    translated_case{"select {fn ROUND(p, -1)}", "select round_to(p, -1)"},
    translated_case{"select {fn CEILING(p)}, {fn FLOOR(p)}, {fn ABS(p)}", "select ceiling(p), floor(p), abs(p)"},
    translated_case{"select {fn NOW()}, {fn CURDATE()}", "select NOW(), date_trunc('day', NOW())"},
    translated_case{"select {fn YEAR($timestamp)}", "select year($timestamp)"},
    translated_case{"select {fn DAYOFMONTH(\"$timestamp\")}", "select day(\"$timestamp\")"},
    translated_case{"select {fn TIMESTAMPADD(SQL_TSI_MONTH, 2, $timestamp)}",
                    "select timestamp_add('month', 2, $timestamp)"},
    translated_case{"select {fn TIMESTAMPDIFF(SQL_TSI_FRAC_SECOND, a, b)}",
                    "select timestamp_diff('nanosecond', a, b)"},
    translated_case{"select {fn EXTRACT(YEAR FROM $timestamp)}", "select year($timestamp)"},
    translated_case{"select {fn IFNULL(price, 0)}", "select ifnull(price, 0)"},
    translated_case{"select {fn CONVERT(volume, SQL_VARCHAR)}", "select CAST(volume AS TEXT)"},
    translated_case{"select {fn CONVERT(sym, SQL_BIGINT)}", "select CAST(sym AS INTEGER)"},
    // Nested escapes, and markers inside them.
    translated_case{"select {fn UCASE({fn LTRIM(sym)})}", "select upper(ltrim(sym, ' '))"},
    translated_case{"select {fn YEAR({ts '2021-01-02 03:04:05'})}", "select year(2021-01-02T03:04:05)"},
    translated_case{"select * from t where {fn UCASE(sym)} = ? and v > ?",
                    "select * from t where upper(sym) = ? and v > ?"},
    translated_case{"select {fn CONCAT(?, {fn LCASE(?)})}", "select (? || lower(?))"},
    // Joins, LIKE escapes and intervals.
    translated_case{"select * from {oj t LEFT OUTER JOIN u ON t.a = u.a}",
                    "select * from t LEFT OUTER JOIN u ON t.a = u.a"},
    translated_case{"select * from t where s like 'a\\%%' {escape '\\'}",
                    "select * from t where s like 'a\\%%' ESCAPE '\\'"},
    translated_case{"select $timestamp + {INTERVAL '2' DAY}", "select $timestamp + 172800000000000"},
    translated_case{"select {INTERVAL -'1.5' SECOND}", "select -1500000000"},
    // Braces in literals, quoted names and comments are no escapes.
    translated_case{"select '{fn UCASE(x)}' from t", "select '{fn UCASE(x)}' from t"},
    translated_case{"select \"{d 'x'}\" from t", "select \"{d 'x'}\" from t"},
    translated_case{"select 1 -- {fn nothing()}", "select 1 -- {fn nothing()}"},
    translated_case{"select /* {call p} */ {fn PI()}", "select /* {call p} */ pi()"},
    translated_case{"select 'it''s {d', {fn UCASE('}')}", "select 'it''s {d', upper('}')"},
    translated_case{"select a from t", "select a from t"},
};

TEST(EscapeTranslation, GivesTheStoresText) {
    for (const auto& c : translated_cases) {
        const auto out = escapes::translate(c.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(out)) << c.text << ": " << std::get<diag_record>(out).message;
        EXPECT_EQ(std::get<std::string>(out), c.expected) << c.text;
    }
}

struct refused_case {
    const char* text;
    const char* sqlstate;
    const char* detail;  // part of the message
};

const refused_case refused_cases[] = {
    refused_case{"{call proc(1)}", "HYC00", "{call proc(1)} is not offered: the store has no procedures"},
    refused_case{"{?= call proc(?)}", "HYC00", "no procedures"},
    refused_case{"select {fn SOUNDEX(s)}", "HYC00", "{fn SOUNDEX(s)} is not offered"},
    refused_case{"select {fn CONVERT(x, SQL_GUID)}", "HYC00", "CONVERT to SQL_GUID"},
    refused_case{"select {INTERVAL '1' MONTH}", "HYC00", "no fixed length"},
    refused_case{"select {guid '12345678-1234-1234-1234-123456789012'}", "HYC00", "GUID"},
    refused_case{"select {d '2021-02-30'}", "42000", "{d '2021-02-30'} is not a date"},
    refused_case{"select {d 2021-01-01}", "42000", "is not a date"},
    refused_case{"select {ts '2021-01-01 25:00:00'}", "42000", "is not a timestamp"},
    refused_case{"select {t '12:00'}", "42000", "is not a time"},
    refused_case{"select {fn UCASE(a, b)}", "42000", "gives UCASE 2 arguments, which takes 1"},
    refused_case{"select {fn UCASE(a,)}", "42000", "has an empty argument"},
    refused_case{"select {fn UCASE a}", "42000", "is not a function call"},
    refused_case{"select {fn TIMESTAMPADD(SQL_TSI_CENTURY, 1, t)}", "42000", "SQL_TSI_CENTURY"},
    refused_case{"select {fn CURRENT_TIMESTAMP(?)}", "42000", "precision"},
    refused_case{"select {fn UCASE(x)", "42000", "is not closed"},
    refused_case{"select {zz 1}", "42000", "unknown keyword zz"},
    refused_case{"select {}", "42000", "has no keyword"},
    // A bad escape nested in a good one refuses the whole text.
    refused_case{"select {fn UCASE({fn NOPE(x)})}", "HYC00", "{fn NOPE(x)}"},
};

TEST(EscapeTranslation, RefusesNamingTheEscape) {
    for (const auto& c : refused_cases) {
        const auto out = escapes::translate(c.text);
        ASSERT_TRUE(std::holds_alternative<diag_record>(out)) << c.text << ": " << std::get<std::string>(out);
        const auto& r = std::get<diag_record>(out);
        EXPECT_EQ(r.sqlstate, c.sqlstate) << c.text;
        EXPECT_EQ(r.return_code, SQL_ERROR) << c.text;
        EXPECT_NE(r.message.find(c.detail), std::string::npos) << c.text << ": " << r.message;
    }
}

TEST(EscapeTranslation, RefusesEscapesNestedTooDeeply) {
    std::string nested = "x";
    for (int i = 0; i < 32; ++i) nested = "{fn UCASE(" + nested + ")}";
    EXPECT_TRUE(std::holds_alternative<std::string>(escapes::translate("select " + nested)));
    // Deeper nesting is refused, however deep, without exhausting the stack.
    nested.clear();
    for (int i = 0; i < 100'000; ++i) nested += "{fn UCASE(";
    const auto out = escapes::translate("select " + nested);
    ASSERT_TRUE(std::holds_alternative<diag_record>(out));
    EXPECT_EQ(std::get<diag_record>(out).sqlstate, "42000");
    std::string closed = "x";
    for (int i = 0; i < 33; ++i) closed = "{fn UCASE(" + closed + ")}";
    const auto deep = escapes::translate(closed);
    ASSERT_TRUE(std::holds_alternative<diag_record>(deep));
    EXPECT_NE(std::get<diag_record>(deep).message.find("more than 32 deep"), std::string::npos);
}

TEST(EscapeTranslation, KeepsEveryMarkerOfTheText) {
    const std::string text = "select {fn CONCAT(?, {fn UCASE(?)})}, '?', {fn TIMESTAMPADD(SQL_TSI_DAY, ?, ?)} -- ?";
    const auto out = escapes::translate(text);
    ASSERT_TRUE(std::holds_alternative<std::string>(out));
    EXPECT_EQ(statement_text(std::get<std::string>(out)).markers().size(), 4u);
}

TEST(EscapeClaims, EveryClaimedFunctionIsTranslated) {
    // Each function of the table translates; the bits SQLGetInfo reports are exactly theirs.
    std::uint32_t string_bits = 0;
    for (const auto& f : escapes::scalar_functions()) {
        if (f.group == escapes::function_group::string) string_bits |= f.bit;
        std::string call = "{fn " + std::string(f.name) + "(";
        const bool interval = f.name == "TIMESTAMPADD" || f.name == "TIMESTAMPDIFF";
        for (unsigned i = 0; i < f.min_args; ++i) {
            if (i > 0) call += ", ";
            call += interval && i == 0 ? "SQL_TSI_DAY" : f.name == "CONVERT" && i == 1 ? "SQL_DOUBLE" : "x";
        }
        if (f.name == "EXTRACT") call = "{fn EXTRACT(MONTH FROM x";
        call += ")}";
        const auto out = escapes::translate(call);
        EXPECT_TRUE(std::holds_alternative<std::string>(out)) << call << ": " << std::get<diag_record>(out).message;
    }
    EXPECT_EQ(escapes::claimed_functions(escapes::function_group::string), string_bits);
    EXPECT_NE(string_bits & SQL_FN_STR_UCASE, 0u);
    EXPECT_EQ(escapes::claimed_functions(escapes::function_group::string) & SQL_FN_STR_SOUNDEX, 0u);
    EXPECT_EQ(escapes::claimed_intervals(),
              static_cast<std::uint32_t>(SQL_FN_TSI_FRAC_SECOND | SQL_FN_TSI_SECOND | SQL_FN_TSI_MINUTE |
                                         SQL_FN_TSI_HOUR | SQL_FN_TSI_DAY | SQL_FN_TSI_WEEK | SQL_FN_TSI_MONTH |
                                         SQL_FN_TSI_QUARTER | SQL_FN_TSI_YEAR));
    // Conversions: numbers to numbers and text, text to text and times; times to times; nothing
    // from binary.
    EXPECT_EQ(escapes::claimed_conversions(SQL_BIGINT) & SQL_CVT_VARCHAR, static_cast<std::uint32_t>(SQL_CVT_VARCHAR));
    EXPECT_EQ(escapes::claimed_conversions(SQL_VARCHAR) & SQL_CVT_BIGINT, 0u);
    EXPECT_EQ(escapes::claimed_conversions(SQL_TYPE_TIMESTAMP),
              static_cast<std::uint32_t>(SQL_CVT_TIMESTAMP | SQL_CVT_DATE));
    EXPECT_EQ(escapes::claimed_conversions(SQL_VARCHAR) & SQL_CVT_TIMESTAMP,
              static_cast<std::uint32_t>(SQL_CVT_TIMESTAMP));
    // A time of day is a timestamp of the current date, as ODBC converts it.
    EXPECT_EQ(escapes::claimed_conversions(SQL_TYPE_TIME), static_cast<std::uint32_t>(SQL_CVT_TIMESTAMP));
    EXPECT_EQ(escapes::claimed_conversions(SQL_VARBINARY), 0u);
}

}  // namespace
