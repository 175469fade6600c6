# R with RODBC at its default settings (rows_at_time 100) against the driver: a query returning
# text, numbers and timestamps, read into a data frame with every time of day intact.
library(RODBC)

fail <- function(...) {
    cat("FAIL:", ..., "\n")
    quit(status = 1)
}
expect_equal <- function(actual, expected, what) {
    if (!identical(actual, expected)) {
        cat("actual:\n")
        print(actual)
        cat("expected:\n")
        print(expected)
        fail(what)
    }
}

ch <- odbcConnect(Sys.getenv("RODBC_DSN"))
if (!inherits(ch, "RODBC")) fail("odbcConnect")

frame <- sqlQuery(ch, "select $timestamp, sym, price, volume from trades order by $timestamp limit 150")
if (!is.data.frame(frame)) fail("sqlQuery:", paste(frame, collapse = " "))
expect_equal(nrow(frame), 150L, "every row, over two rowsets of 100")
expect_equal(names(frame), c("$timestamp", "sym", "price", "volume"), "the column names")
expect_equal(class(frame[[1]]), c("POSIXct", "POSIXt"), "timestamps become POSIXct")
# The sample rows are one second (and one nanosecond) apart from 2021-01-01T00:00:00Z.
expect_equal(format(frame[[1]][c(1, 2, 61, 150)], "%Y-%m-%d %H:%M:%S", tz = "UTC"),
             c("2021-01-01 00:00:00", "2021-01-01 00:00:01", "2021-01-01 00:01:00", "2021-01-01 00:02:29"),
             "the times of day")
expect_equal(as.character(frame$sym[1:3]), c("tsla", "aapl", "aapl"), "the texts")
expect_equal(frame$price[1:3], c(200.1, 130, 129.91), "the doubles")

tables <- sqlTables(ch)
expect_equal(sort(as.character(tables$TABLE_NAME)), c("sensors", "trades"), "sqlTables")
odbcClose(ch)
cat("rodbc: a query with text and timestamps and sqlTables as expected\n")
