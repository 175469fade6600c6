"""pyodbc (Debian's python3-pyodbc) against the driver through the unixODBC Driver Manager."""

import atexit
import datetime
import decimal
import locale
import os
import subprocess
import sys
import unittest
import uuid
import warnings

import pyodbc

from odbc_env import PrivateOdbc


# One private configuration for the whole run: unixODBC reads odbcinst.ini once per process.
_env = None


def shared_env():
    global _env
    if _env is None:
        _env = PrivateOdbc(rows=50)
        atexit.register(_env.close)
    return _env


class PyodbcClient(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = shared_env()

    def connect(self, text=None):
        # pyodbc's own settings: text is read as SQL_C_WCHAR and str is bound as SQL_C_WCHAR.
        return pyodbc.connect(text or f"DRIVER={{vdl}};URI={self.env.uri}", autocommit=True)

    def connect_8bit(self):
        # The optional 8-bit settings: text read and bound as UTF-8 SQL_C_CHAR.
        cnxn = self.connect()
        cnxn.setdecoding(pyodbc.SQL_CHAR, encoding="utf-8")
        cnxn.setencoding(encoding="utf-8")
        return cnxn

    def test_connect_by_data_source_and_by_driver(self):
        for text in ("DSN=vdl-sample", f"DRIVER={{vdl}};URI={self.env.uri}"):
            with self.subTest(text=text):
                cnxn = self.connect(text)
                self.assertEqual(cnxn.cursor().execute("select count(*) from trades").fetchone()[0], 50)
                cnxn.close()

    def test_types_of_a_select(self):
        cnxn = self.connect()
        rows = cnxn.cursor().execute(
            "select $timestamp, sym, price, volume from trades where sym is not null and price is not null "
            "and volume is not null order by $timestamp limit 5").fetchall()
        self.assertEqual(len(rows), 5)
        ts, sym, price, volume = rows[0]
        self.assertIsInstance(ts, datetime.datetime)
        self.assertIsInstance(sym, str)
        self.assertIsInstance(price, float)
        self.assertIsInstance(volume, int)
        self.assertLess(rows[0][0], rows[1][0])

    def test_description_and_nulls(self):
        cnxn = self.connect()
        cur = cnxn.cursor().execute("select sym, price, volume from trades order by $timestamp")
        self.assertEqual([d[0] for d in cur.description], ["sym", "price", "volume"])
        rows = cur.fetchall()
        self.assertEqual(len(rows), 50)
        self.assertTrue(any(r.sym is None for r in rows), "the sample has NULL symbols")
        self.assertTrue(any(r.price is None for r in rows), "the sample has NULL prices")

    def test_insert_with_parameters_and_read_back(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE quotes (sym STRING, bid DOUBLE, size INT64)")
        cur.execute("insert into quotes (sym, bid, size) values (?, ?, ?)", "o'neil", 1.25, 7)
        cur.execute("insert into quotes (sym, bid, size) values (?, ?, ?)", None, 2.5, None)
        rows = cur.execute("select sym, bid, size from quotes order by bid").fetchall()
        self.assertEqual([tuple(r) for r in rows], [("o'neil", 1.25, 7), (None, 2.5, None)])

    def test_a_parameter_is_a_value_in_every_statement(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE marks (sym STRING, n INT64)")
        for sym, n in (("ibm", 1), ("aapl", 2), ("zzz", 3)):
            cur.execute("insert into marks (sym, n) values (?, ?)", sym, n)
        self.assertEqual(cur.execute("select sym, n from marks where sym = ?", "ibm").fetchall()[0][1], 1)
        for hostile in ("zzz' OR '1'='1", "x' OR 1=1 --"):
            cur.execute("DELETE FROM marks WHERE sym = ?", hostile)
            self.assertEqual(cur.execute("select count(*) from marks").fetchone()[0], 3, hostile)
        self.assertEqual(cur.execute("select n from marks where sym = ? and n > ?", "aapl", 1).fetchone()[0], 2)

    def test_fast_executemany_inserts_every_row(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE fills (price DOUBLE, size INT64)")
        rows = [(i + 0.25, i) for i in range(1000)] + [(None, 1000)]
        cur.fast_executemany = True
        cur.executemany("insert into fills (price, size) values (?, ?)", rows)
        count, sizes, prices = cur.execute("select count(*), sum(size), sum(price) from fills").fetchone()
        self.assertEqual(count, 1001)
        self.assertEqual(sizes, sum(r[1] for r in rows))
        self.assertEqual(prices, sum(r[0] for r in rows[:-1]))
        self.assertEqual(cur.execute("select size from fills where price is null").fetchone()[0], 1000)
        # Without fast_executemany pyodbc runs one execution per row: every row is inserted too.
        cur.fast_executemany = False
        cur.executemany("insert into fills (price, size) values (?, ?)", [(1.5, 1), (2.5, 2)])
        self.assertEqual(cur.execute("select count(*) from fills").fetchone()[0], 1003)

    def test_non_ascii_text_round_trips_through_parameters(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE cities (name STRING, n INT64)")
        city = "Zürich 東京 🚀"
        cur.execute("insert into cities (name, n) values (?, ?)", city, 1)
        cur.execute("insert into cities (name, n) values (?, ?)", "", 2)
        cur.execute("insert into cities (name, n) values (?, ?)", "x" * 3000 + "🚀", 3)
        rows = cur.execute("select name, n from cities order by n").fetchall()
        self.assertEqual([tuple(r) for r in rows], [(city, 1), ("", 2), ("x" * 3000 + "🚀", 3)])
        self.assertEqual(cur.execute("select n from cities where name = ?", city).fetchone()[0], 1)
        # The 8-bit settings read the same bytes.
        self.assertEqual(self.connect_8bit().cursor().execute("select name from cities where n = 1").fetchone()[0],
                         city)

    def test_long_non_ascii_text_is_read_whole(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE essays (body STRING)")
        # Longer than pyodbc's first SQLGetData buffer, with pairs of surrogates across every boundary.
        body = "".join(("é", "東", "🚀", "a")[i % 4] for i in range(20001))
        cur.execute("insert into essays (body) values (?)", body)
        self.assertEqual(cur.execute("select body from essays").fetchone()[0], body)

    def test_fast_executemany_with_text(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE tags (tag STRING, n INT64)")
        rows = [(f"tag-{i}-ü東🚀" if i % 7 else None, i) for i in range(500)]
        cur.fast_executemany = True
        cur.executemany("insert into tags (tag, n) values (?, ?)", rows)
        got = cur.execute("select tag, n from tags order by n").fetchall()
        self.assertEqual([tuple(r) for r in got], rows)
        # Texts longer than the 4000 characters SQLDescribeParam gives need their own size.
        long_tag = "ö" * 5000
        with self.assertRaises(pyodbc.Error):
            cur.executemany("insert into tags (tag, n) values (?, ?)", [(long_tag, 1000)])
        cur.setinputsizes([(pyodbc.SQL_WVARCHAR, 6000, 0), None])
        cur.executemany("insert into tags (tag, n) values (?, ?)", [(long_tag, 1000)])
        self.assertEqual(cur.execute("select tag from tags where n = 1000").fetchall()[0][0], long_tag)

    def test_pandas_dtypes(self):
        import pandas
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # pandas prefers SQLAlchemy connectables
            frame = pandas.read_sql("select $timestamp, sym, price, volume from trades order by $timestamp",
                                    self.connect())
            whole = pandas.read_sql("select $timestamp as t, price, volume from trades where price is not null "
                                    "and volume is not null order by $timestamp", self.connect())
        self.assertEqual({c: str(t) for c, t in frame.dtypes.items()},
                         {"$timestamp": "datetime64[ns]", "sym": "object", "price": "float64", "volume": "float64"},
                         "volume has NULLs, which pandas holds as NaN in floats")
        self.assertEqual({c: str(t) for c, t in whole.dtypes.items()},
                         {"t": "datetime64[ns]", "price": "float64", "volume": "int64"})
        self.assertEqual(frame["$timestamp"][1] - frame["$timestamp"][0], pandas.Timedelta(seconds=1))
        self.assertTrue(frame["$timestamp"].is_monotonic_increasing)

    def test_pandas_reads_the_same_frame_as_with_the_8bit_settings(self):
        import pandas
        query = "select $timestamp, sym, price, volume from trades order by $timestamp"
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # pandas prefers SQLAlchemy connectables
            wide = pandas.read_sql(query, self.connect())
            narrow = pandas.read_sql(query, self.connect_8bit())
        pandas.testing.assert_frame_equal(wide, narrow)
        self.assertEqual(len(wide), 50)
        self.assertEqual(list(wide.columns), ["$timestamp", "sym", "price", "volume"])
        self.assertTrue(all(isinstance(s, str) for s in wide["sym"].dropna()))
        self.assertTrue(wide["sym"].isna().any())

    def test_catalog_calls(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        self.assertIsInstance(cnxn.getinfo(pyodbc.SQL_DRIVER_NAME), str)
        try:
            tables = [r.table_name for r in cur.tables().fetchall()]
        except pyodbc.Error as e:
            if "IM001" not in str(e):
                raise
            self.skipTest("the catalog functions are not offered by this build")
        self.assertIn("trades", tables)
        columns = [r.column_name for r in cur.columns(table="trades").fetchall()]
        self.assertIn("sym", columns)

    def test_fetchmany_uses_every_row_once(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.arraysize = 7
        cur.execute("select volume from trades order by $timestamp")
        seen = []
        while True:
            batch = cur.fetchmany()
            if not batch:
                break
            seen.extend(batch)
        self.assertEqual(len(seen), 50)

    def test_errors_carry_the_reason(self):
        cnxn = self.connect()
        # pyodbc raises by SQLSTATE class, with the driver's SQLSTATE and message as its arguments.
        with self.assertRaises(pyodbc.ProgrammingError) as caught:
            cnxn.cursor().execute("select * from no_such_table")
        state, message = caught.exception.args
        self.assertEqual(state, "42S02")
        self.assertIn("[42S02] Table doesn't exist: query error: table does not exist: no_such_table", message)
        with self.assertRaises(pyodbc.Error) as caught:
            cnxn.cursor().execute("select nope from trades")
        self.assertEqual(caught.exception.args[0], "HY000")
        self.assertIn("General error: could not query, error: column does not exist: nope", caught.exception.args[1])
        # A value the store refuses for its column names the parameter set with fast_executemany.
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE refusals (n INT64)")
        cur.fast_executemany = True
        with self.assertRaises(pyodbc.Error) as caught:
            cur.executemany("insert into refusals (n) values (?)", [("1",), ("two",), ("3",)])
        self.assertIn("parameter set 2 of 3", caught.exception.args[1])

    def test_long_text_is_read_whole(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE notes (body STRING)")
        body = "".join(chr(ord("a") + i % 26) for i in range(10000))
        cur.execute("insert into notes (body) values (?)", body)
        self.assertEqual(cur.execute("select body from notes").fetchone()[0], body)

    def test_long_bytes_are_written_whole(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE blobs (body BLOB)")
        # Longer than a VARCHAR or VARBINARY that is not as long as the store allows: pyodbc would
        # send it in pieces at execution, which the driver does not offer.
        cur.execute("insert into blobs (body) values (?)", bytes(range(256)) * 40)
        self.assertEqual(cur.execute("select length(body) from blobs").fetchone()[0], 10240)

    def test_db_api_results_of_statements_without_rows(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("CREATE TABLE dbapi (n INT64)")
        self.assertIsNone(cur.description)
        cur.execute("select count(*) from trades")
        self.assertEqual(len(cur.description), 1)
        self.assertEqual(cur.rowcount, 1)
        self.assertEqual(cur.fetchone()[0], 50)
        cur.execute("insert into dbapi (n) values (1)")
        self.assertIsNone(cur.description, "an INSERT has no result columns")
        self.assertEqual(cur.rowcount, -1, "the store does not tell how many rows changed")
        with self.assertRaises(pyodbc.ProgrammingError):
            cur.fetchone()
        cur.execute("select n from dbapi")
        self.assertEqual([tuple(r) for r in cur.fetchall()], [(1,)])
        cur.execute("delete from dbapi")
        self.assertIsNone(cur.description)
        with self.assertRaises(pyodbc.ProgrammingError):
            cur.fetchall()
        self.assertEqual(cur.execute("select n from dbapi").fetchall(), [])

    def test_nextset_and_a_cursor_read_part_way(self):
        cnxn = self.connect()
        cur = cnxn.cursor()
        cur.execute("select volume from trades order by $timestamp")
        cur.fetchone()
        self.assertFalse(cur.nextset(), "one result set")
        self.assertEqual(cur.execute("select count(*) from trades").fetchone()[0], 50)

    def test_the_error_of_a_long_bad_statement_is_readable(self):
        cnxn = self.connect()
        with self.assertRaises(pyodbc.Error) as caught:
            cnxn.cursor().execute("select " + "x" * 100000 + " from trades")
        text = str(caught.exception)
        self.assertIn("could not query", text)
        self.assertLess(len(text), 1000)

    def test_autocommit_off_is_accepted_and_commit_succeeds(self):
        cnxn = pyodbc.connect(f"DRIVER={{vdl}};URI={self.env.uri}", autocommit=False)
        cur = cnxn.cursor()
        self.assertEqual(cur.execute("select count(*) from trades").fetchone()[0], 50)
        cnxn.commit()
        cnxn.close()

    def test_the_password_never_reaches_the_log(self):
        cnxn = self.connect(f"DRIVER={{vdl}};URI={self.env.uri};LOG_LEVEL=3;LOGDIR={self.env.dir}/log;"
                            "UID=u;PWD=secret-key-123;KEY=cluster-key")
        cnxn.close()
        log = self.env.log_text()
        self.assertIn("PWD=***", log)
        self.assertNotIn("secret-key-123", log)


class PyodbcValues(unittest.TestCase):
    """Parameters of every type pyodbc binds, the values read back, and what a DB-API 2.0 client
    expects of the results."""

    @classmethod
    def setUpClass(cls):
        cls.env = shared_env()

    def setUp(self):
        self.cnxn = pyodbc.connect("DSN=vdl-sample", autocommit=True)
        self.cur = self.cnxn.cursor()

    def tearDown(self):
        self.cnxn.close()

    def test_parameters_of_every_type(self):
        cur = self.cur
        cur.execute("CREATE TABLE every (s STRING, n INT64, d DOUBLE, ts TIMESTAMP)")
        stamp = datetime.datetime(2021, 3, 4, 5, 6, 7, 123456)
        rows = [
            ("it's a \"quote\"; -- and ? marks", 1, 1.5, stamp),
            (None, None, None, None),
            ("true", True, decimal.Decimal("2.25"), datetime.date(2020, 1, 2)),
            ("false", False, -1e300, datetime.datetime(1970, 1, 1)),
            ("big", 2 ** 62, decimal.Decimal("123456789012345678"), datetime.datetime(2262, 4, 11, 23, 47, 16, 854775)),
            ("negative", -(2 ** 63), float("5e-324"), datetime.datetime(1677, 9, 21, 0, 12, 43, 145225)),
        ]
        for row in rows:
            self.assertIs(cur.execute("insert into every (s, n, d, ts) values (?, ?, ?, ?)", *row), cur)
        got = [tuple(r) for r in cur.execute("select s, n, d, ts from every order by $timestamp")]
        self.assertEqual(got, [
            ("it's a \"quote\"; -- and ? marks", 1, 1.5, stamp),
            (None, None, None, None),
            ("true", 1, 2.25, datetime.datetime(2020, 1, 2)),
            ("false", 0, -1e300, datetime.datetime(1970, 1, 1)),
            ("big", 2 ** 62, 123456789012345678.0, datetime.datetime(2262, 4, 11, 23, 47, 16, 854775)),
            ("negative", -(2 ** 63), 5e-324, datetime.datetime(1677, 9, 21, 0, 12, 43, 145225)),
        ])
        # Parameters in a WHERE clause, of each type.
        self.assertEqual(cur.execute("select s from every where ts = ?", stamp).fetchval(),
                         "it's a \"quote\"; -- and ? marks")
        self.assertEqual(cur.execute("select s from every where n = ? and d = ?", True, 2.25).fetchval(), "true")
        self.assertEqual(cur.execute("select count(*) from every where s = ?", "it's").fetchval(), 0)
        self.assertEqual(cur.execute("select count(*) from every where ts > ?", datetime.date(2021, 1, 1)).fetchval(), 2)

    def test_bytes_parameters(self):
        self.cur.execute("CREATE TABLE bins (b BLOB)")
        for value in (b"\x00\x01\xff'", bytearray(b"ab"), b""):
            self.cur.execute("insert into bins (b) values (?)", value)
        self.assertEqual([r[0] for r in self.cur.execute("select hex(b) from bins order by $timestamp")],
                         ["0001FF27", "6162", ""])

    def test_a_time_of_day_is_taken_on_the_current_date(self):
        self.cur.execute("CREATE TABLE times (ts TIMESTAMP)")
        before = datetime.datetime.now(datetime.timezone.utc).date()
        # An ODBC time has no fraction: pyodbc sends whole seconds.
        self.cur.execute("insert into times (ts) values (?)", datetime.time(1, 2, 3))
        after = datetime.datetime.now(datetime.timezone.utc).date()
        got = self.cur.execute("select ts from times").fetchval()
        self.assertIn(got.date(), (before, after))
        self.assertEqual(got.time(), datetime.time(1, 2, 3))

    def test_values_that_cannot_be_sent(self):
        # The store has no GUID type: a uuid.UUID is refused when bound, and says so.
        with self.assertRaises(pyodbc.Error) as caught:
            self.cur.execute("select count(*) from trades where sym = ?", uuid.uuid4())
        self.assertIn("unsupported target type: -11", caught.exception.args[1])

    def test_decimals_beyond_64_bits_are_never_zero(self):
        # pyodbc binds a Decimal as its digits (SQL_C_CHAR as SQL_NUMERIC or SQL_DECIMAL).
        self.cur.execute("CREATE TABLE wide_numbers (d DOUBLE, n INT64)")
        big = decimal.Decimal("12345678901234567890")
        self.cur.execute("insert into wide_numbers (d) values (?)", big)
        self.assertEqual(self.cur.execute("select d from wide_numbers").fetchval(), float(big))
        self.assertEqual(self.cur.execute("select count(*) from wide_numbers where d = ?", big).fetchval(), 1)
        self.assertEqual(self.cur.execute("select ? + 0", decimal.Decimal("-98765432109876543210.5")).fetchval(),
                         float(decimal.Decimal("-98765432109876543210.5")))
        # An integer that does not fit the store's 64 bits is refused, not written as 0.
        with self.assertRaises((pyodbc.Error, OverflowError)):
            self.cur.execute("insert into wide_numbers (n) values (?)", 2 ** 64)
        self.assertEqual(self.cur.execute("select count(*) from wide_numbers where d = 0 or n = 0").fetchval(), 0)

    def test_a_long_value_makes_no_long_column_name(self):
        value = "x" * 50000
        self.assertEqual(self.cur.execute("select ?", value).fetchval(), value)
        self.assertLessEqual(len(self.cur.description[0][0]), 1024)

    def test_escape_sequences_and_date_literals(self):
        cur = self.cur
        got = cur.execute("select {fn UCASE(sym)}, {fn YEAR($timestamp)} from trades "
                          "where $timestamp >= {ts '2021-01-01 00:00:00'} and $timestamp >= '2021-01-01' "
                          "order by $timestamp limit 1").fetchone()
        self.assertEqual(got[1], 2021)
        self.assertEqual(got[0], got[0].upper())
        self.assertEqual(cur.execute("select {d '2021-03-04'}").fetchval(), datetime.datetime(2021, 3, 4))
        self.assertEqual(cur.execute("select TIMESTAMP '2021-03-04 05:06:07.5'").fetchval(),
                         datetime.datetime(2021, 3, 4, 5, 6, 7, 500000))
        with self.assertRaises(pyodbc.Error) as caught:
            cur.execute("select {fn SOUNDEX(sym)} from trades")
        self.assertIn("{fn SOUNDEX(sym)}", caught.exception.args[1])

    def test_the_statement_after_a_failed_bind(self):
        # pyodbc keeps the bindings of parameters 1 to 4 when parameter 5 fails to bind; the next
        # statement has one marker.
        with self.assertRaises(pyodbc.Error):
            self.cur.execute("select ?, ?, ?, ?, ? from trades", 1, 2, 3, 4, uuid.uuid4())
        self.assertEqual(self.cur.execute("select count(*) from trades where volume > ?", 0).fetchval(), 49)

    def test_a_statement_without_result_after_a_prepared_select(self):
        cur = self.cur
        self.assertEqual(cur.execute("select count(*) from trades where volume > ?", 0).fetchval(), 49)
        cur.execute("CREATE TABLE after_select (n INT64)")
        self.assertIsNone(cur.description, "the CREATE's own answer, not the SELECT's")
        cur.execute("insert into after_select (n) values (5)")
        self.assertIsNone(cur.description)
        self.assertEqual(cur.execute("select n from after_select").fetchall()[0][0], 5)

    def test_fast_executemany_with_every_type(self):
        cur = self.cur
        cur.execute("CREATE TABLE fast (s STRING, n INT64, d DOUBLE, ts TIMESTAMP)")
        start = datetime.datetime(2022, 6, 1, 12, 0, 0, 250000)
        rows = [(f"r{i}", i % 2 == 0, i / 4, start + datetime.timedelta(microseconds=i)) for i in range(300)]
        rows.append((None, None, None, None))
        cur.fast_executemany = True
        cur.executemany("insert into fast (s, n, d, ts) values (?, ?, ?, ?)", rows)
        got = [tuple(r) for r in cur.execute("select s, n, d, ts from fast order by $timestamp")]
        self.assertEqual(got, [(s, None if n is None else int(n), d, ts) for s, n, d, ts in rows])
        # The time column itself.
        cur.execute("CREATE TABLE stamped (n INT64)")
        cur.executemany("insert into stamped ($timestamp, n) values (?, ?)",
                        [(start + datetime.timedelta(seconds=i), i) for i in range(3)])
        self.assertEqual([tuple(r) for r in cur.execute("select $timestamp, n from stamped order by n")],
                         [(start + datetime.timedelta(seconds=i), i) for i in range(3)])

    def test_fetch_calls_and_rowcount(self):
        cur = self.cur.execute("select volume from trades order by $timestamp")
        self.assertEqual(cur.rowcount, 50, "the result's rows")
        self.assertEqual(cur.arraysize, 1)
        first = cur.fetchone()
        self.assertIsInstance(first, pyodbc.Row)
        self.assertEqual(len(cur.fetchmany()), 1, "arraysize rows")
        self.assertEqual(len(cur.fetchmany(10)), 10)
        rest = cur.fetchall()
        self.assertEqual(len(rest), 38)
        self.assertIsNone(cur.fetchone())
        self.assertEqual(cur.fetchmany(3), [])
        self.assertEqual(cur.fetchall(), [])
        # Iterating the cursor reads the rows too; a second execute starts a new result.
        self.assertEqual(sum(1 for _ in cur.execute("select volume from trades")), 50)
        self.assertEqual(cur.execute("select count(*) from trades where sym = ?", "none").fetchone()[0], 0)
        self.assertEqual(cur.execute("select sym from trades where sym = ?", "none").fetchall(), [])
        self.assertEqual(cur.rowcount, -1, "no rows")

    def test_description(self):
        self.cur.execute("CREATE TABLE described (s STRING, n INT64, d DOUBLE, ts TIMESTAMP, empty STRING)")
        self.cur.execute("insert into described ($timestamp, s, n, d, ts) values (1, 'abc', 1, 1.5, 2021-01-01T00:00:00Z)")
        self.cur.execute("select $timestamp, s, n, d, ts, empty from described")
        self.assertEqual([(d[0], d[1], d[3], d[6]) for d in self.cur.description],
                         [("$timestamp", datetime.datetime, 29, True), ("s", str, 3, True), ("n", int, 20, True),
                          ("d", float, 24, True), ("ts", datetime.datetime, 29, True),
                          ("empty", str, 0, True)])
        self.assertTrue(all(len(d) == 7 for d in self.cur.description))

    def test_db_api_module_and_objects(self):
        self.assertEqual((pyodbc.apilevel, pyodbc.paramstyle), ("2.0", "qmark"))
        self.assertTrue(issubclass(pyodbc.ProgrammingError, pyodbc.DatabaseError))
        self.assertTrue(issubclass(pyodbc.DatabaseError, pyodbc.Error))
        with self.cnxn.cursor() as cur:
            self.assertEqual(cur.execute("select ? as x", pyodbc.Timestamp(2021, 1, 2, 3, 4, 5)).fetchval(),
                             datetime.datetime(2021, 1, 2, 3, 4, 5))
            self.assertEqual(cur.execute("select ? as x", pyodbc.Date(2021, 1, 2)).fetchval(),
                             datetime.datetime(2021, 1, 2))
        cur = self.cnxn.cursor()
        cur.close()
        with self.assertRaises(pyodbc.ProgrammingError):
            cur.execute("select 1")
        other = pyodbc.connect("DSN=vdl-sample")
        other.close()
        with self.assertRaises(pyodbc.ProgrammingError):
            other.cursor()
        # Commit and rollback succeed: there are no transactions, every statement takes effect.
        self.cnxn.commit()
        self.cnxn.rollback()

    def test_statement_text_under_a_utf8_locale(self):
        # unixODBC converts a Unicode client's statement text with the locale's character set (the
        # tests and the demo run Python under a UTF-8 locale), and only characters of the Basic
        # Multilingual Plane: a text holding one beyond it is cut to the low byte of each UTF-16
        # unit. Values given as parameters, and statement texts sent with pyodbc's 8-bit
        # setencoding, keep every character. In a process of its own under C.UTF-8, whatever the
        # caller's locale is.
        script = """
import pyodbc
cnxn = pyodbc.connect("DSN=vdl-sample", autocommit=True)
cur = cnxn.cursor()
cur.execute("CREATE TABLE utf8_text (name STRING, n INT64)")
cur.execute("insert into utf8_text (name, n) values ('Zürich 東京', 1)")
cur.execute("insert into utf8_text (name, n) values (?, 2)", "Zürich 東京 🚀")
cur.execute("insert into utf8_text (name, n) values ('Zürich 🚀', 3)")
narrow = pyodbc.connect("DSN=vdl-sample", autocommit=True)
narrow.setencoding(encoding="utf-8")
narrow.cursor().execute("insert into utf8_text (name, n) values ('Zürich 東京 🚀', 4)")
print(ascii([tuple(r) for r in cur.execute("select name, n from utf8_text order by n")]))
print(cur.execute("select n from utf8_text where name = 'Zürich 東京'").fetchval())
"""
        env = dict(os.environ, LC_ALL="C.UTF-8")
        out = subprocess.run([sys.executable, "-c", script], env=env, check=True, stdout=subprocess.PIPE,
                             text=True).stdout.splitlines()
        self.assertEqual(out, [ascii([("Zürich 東京", 1), ("Zürich 東京 🚀", 2), ("Z\ufffdrich =\ufffd", 3),
                                      ("Zürich 東京 🚀", 4)]), "1"])
        self.assertEqual(locale.nl_langinfo(locale.CODESET), "UTF-8", "the suite itself runs under UTF-8")

    def test_a_session_leaves_no_error_line_in_the_log(self):
        # The log is the process's: a process of its own writes into a directory of its own.
        logdir = os.path.join(self.env.dir, "quiet-log")
        script = f"""
import pyodbc
cnxn = pyodbc.connect("DSN=vdl-sample;LOGDIR={logdir};LOG_LEVEL=2", autocommit=True)
cur = cnxn.cursor()
cur.execute("select $timestamp, sym, price from trades where volume > ?", 10).fetchall()
cur.execute("select count(*) from trades").fetchall()
cur.tables().fetchall()
cur.columns(table="trades").fetchall()
cnxn.close()
"""
        subprocess.run([sys.executable, "-c", script], check=True)
        with open(os.path.join(logdir, "vdl_odbc_driver.log"), encoding="utf-8") as f:
            log = f.read()
        self.assertIn("[Info]  connected to", log)
        self.assertNotIn("[Error]", log)


class PyodbcCatalog(unittest.TestCase):
    """The catalog functions as pyodbc's cursor methods call them, on a store of three tables."""

    @classmethod
    def setUpClass(cls):
        env = shared_env()
        cls.uri = "file://" + env.dir + "/catalog.db"
        subprocess.run([env.vdlsh, cls.uri, "-c", "CREATE TABLE cpu (usage DOUBLE, host STRING)",
                        "-c", "CREATE TABLE cpu_load (load INT64, payload BLOB, core STRING)",
                        "-c", "CREATE TABLE mem (free INT64)",
                        "-c", "INSERT INTO cpu ($timestamp, usage, host) VALUES (1, 0.5, 'alpha')"],
                       check=True, stdout=subprocess.DEVNULL)

    def setUp(self):
        self.cnxn = pyodbc.connect(f"DRIVER={{vdl}};URI={self.uri}", autocommit=True)
        self.cnxn.setdecoding(pyodbc.SQL_CHAR, encoding="utf-8")
        self.cur = self.cnxn.cursor()

    def tearDown(self):
        self.cnxn.close()

    def test_tables(self):
        every = [(None, None, "cpu", "TABLE", None), (None, None, "cpu_load", "TABLE", None),
                 (None, None, "mem", "TABLE", None)]
        self.assertEqual([tuple(r) for r in self.cur.tables()], every)
        self.assertEqual([d[0] for d in self.cur.description],
                         ["table_cat", "table_schem", "table_name", "table_type", "remarks"])
        self.assertEqual([tuple(r) for r in self.cur.tables(table="%", tableType="VIEW")], [], "no views")
        self.assertEqual([tuple(r) for r in self.cur.tables(table="%", tableType="'TABLE'")], every)
        self.assertEqual([r.table_name for r in self.cur.tables(table="cpu_load")], ["cpu_load"])
        self.assertEqual([r.table_name for r in self.cur.tables(table="cpu%")], ["cpu", "cpu_load"])
        self.assertEqual([r.table_name for r in self.cur.tables(table="cpu\\_load")], ["cpu_load"])
        self.assertEqual(self.cur.tables(table="missing").fetchall(), [], "a missing table is no error")

    def test_tables_after_a_query_read_to_its_end(self):
        self.assertEqual(self.cur.execute("select host from cpu").fetchall()[0][0], "alpha")
        self.assertEqual(len(self.cur.tables().fetchall()), 3)

    def test_columns(self):
        rows = self.cur.columns(table="cpu").fetchall()
        self.assertEqual([(r.column_name, r.data_type, r.type_name, r.column_size, r.ordinal_position, r.is_nullable)
                          for r in rows],
                         [("$timestamp", 93, "TIMESTAMP", 29, 1, "NO"), ("usage", 8, "DOUBLE", 15, 2, "YES"),
                          ("host", 1, "STRING", 256, 3, "YES")])
        self.assertEqual(len(self.cur.description), 18)
        # SQL_DATA_TYPE is the verbose type: SQL_DATETIME for timestamps.
        self.assertEqual([r.sql_data_type for r in rows], [9, 8, 1])
        self.assertEqual(len(self.cur.columns(table="cpu", column="host").fetchall()), 1)
        self.assertEqual(self.cur.columns(table="missing").fetchall(), [])
        every = self.cur.columns().fetchall()
        self.assertEqual([(r.table_name, r.ordinal_position) for r in every][:4],
                         [("cpu", 1), ("cpu", 2), ("cpu", 3), ("cpu_load", 1)], "every table, in order")

    def test_keys_and_statistics(self):
        self.assertEqual([tuple(r) for r in self.cur.primaryKeys("mem")],
                         [(None, None, "mem", "$timestamp", 1, "virtual_pk")])
        self.assertEqual(self.cur.foreignKeys(table="mem").fetchall(), [])
        self.assertEqual(len(self.cur.description), 14)
        rows = self.cur.statistics("cpu").fetchall()
        self.assertEqual([tuple(r) for r in rows],
                         [(None, None, "cpu", 1, None, "$timestamp", 3, 1, "$timestamp", "A", None, None, None)])
        self.assertEqual(self.cur.description[10][0], "cardinality")
        self.assertEqual(self.cur.statistics("cpux").fetchall(), [])

    def test_procedures_and_special_columns(self):
        self.assertEqual(self.cur.procedures().fetchall(), [])
        self.assertEqual(len(self.cur.description), 7)
        self.assertEqual(self.cur.procedureColumns().fetchall(), [])
        self.assertEqual(len(self.cur.description), 19)
        # SQLSpecialColumns is not offered: the Driver Manager answers for the driver.
        with self.assertRaises(pyodbc.Error) as caught:
            self.cur.rowIdColumns("cpu")
        self.assertIn("IM001", str(caught.exception))

    def test_type_info(self):
        rows = self.cur.getTypeInfo().fetchall()
        self.assertEqual([(r.type_name, r.data_type) for r in rows],
                         [("INT64", -5), ("BLOB", -4), ("BLOB", -3), ("BLOB", -2), ("STRING", -1), ("STRING", 1),
                          ("DOUBLE", 2), ("INT64", 4), ("INT64", 5), ("DOUBLE", 6), ("DOUBLE", 8), ("STRING", 12),
                          ("TIMESTAMP", 91), ("TIMESTAMP", 93)])
        self.assertEqual((rows[11].column_size, rows[2].column_size), (2147483647, 2147483647),
                         "VARCHAR and VARBINARY as long as the store allows")
        self.assertEqual(rows[0].literal_prefix, "", "an empty text, not None")
        numeric = self.cur.getTypeInfo(pyodbc.SQL_NUMERIC).fetchall()
        self.assertEqual([(r.type_name, r.column_size, r.create_params, r.fixed_prec_scale, r.maximum_scale)
                          for r in numeric], [("DOUBLE", 19, None, 1, 19)])
        # A type the driver does not offer: the nineteen columns and no rows.
        self.cur.getTypeInfo(pyodbc.SQL_GUID)
        self.assertEqual(len(self.cur.description), 19)
        self.assertIsNone(self.cur.fetchone())

    def test_an_empty_result_is_described_by_its_columns(self):
        # The probe BI tools run to learn a query's columns: no rows, every column its own type.
        self.cur.execute("select $timestamp, usage, host from cpu where 1 = 0")
        self.assertEqual([d[1] for d in self.cur.description], [datetime.datetime, float, str])
        self.assertEqual(self.cur.fetchall(), [])
        self.cur.execute("select $timestamp, load, core, payload from cpu_load where 1=0")
        self.assertEqual([d[1] for d in self.cur.description], [datetime.datetime, int, str, str])
        self.cur.execute("select free, $timestamp from mem limit 0")
        self.assertEqual([d[1] for d in self.cur.description], [int, datetime.datetime])
        # A prepared statement with a marker, too.
        self.cur.execute("select host, usage, $timestamp from cpu where host = ?", "nobody")
        self.assertEqual([d[1] for d in self.cur.description], [str, float, datetime.datetime])
        # A tool's wrapper around its user's query: aggregates tell their kinds without rows too.
        self.cur.execute('SELECT * FROM (SELECT host, SUM(usage) AS s, AVG(usage) AS a, COUNT(*) AS n, '
                         'MAX("cpu"."$timestamp") AS last FROM cpu GROUP BY host) "Custom SQL Query" WHERE 1=0')
        self.assertEqual([d[1] for d in self.cur.description], [str, float, float, int, datetime.datetime])
        # ... and the columns a tool names from that wrapper, as they are or aggregated again.
        self.cur.execute('SELECT "Custom SQL Query"."last" AS "last", SUM("Custom SQL Query"."n") AS "sum:n", '
                         'MAX("Custom SQL Query"."a") AS "max:a" FROM (SELECT host, AVG(usage) AS a, '
                         'COUNT(*) AS n, MAX("cpu"."$timestamp") AS last FROM cpu GROUP BY host) "Custom SQL Query" '
                         'WHERE (1 = 0) GROUP BY "Custom SQL Query"."last"')
        self.assertEqual([d[1] for d in self.cur.description], [datetime.datetime, int, float])

    def test_the_range_of_a_time_axis_is_two_timestamps(self):
        # A BI tool reads the range of a time column with quoted, qualified names before drawing.
        low, high = self.cur.execute('SELECT MIN("cpu"."$timestamp"), MAX("$timestamp") FROM "cpu"').fetchone()
        self.assertIsInstance(low, datetime.datetime)
        self.assertIsInstance(high, datetime.datetime)
        self.assertLessEqual(low, high)
        self.cur.execute('SELECT MIN("$timestamp") AS "lo" FROM "cpu" WHERE 1 = 0')
        self.assertEqual([d[1] for d in self.cur.description], [datetime.datetime])

if __name__ == "__main__":
    unittest.main(verbosity=2)
