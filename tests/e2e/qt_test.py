"""Qt's ODBC driver (Debian libqt5sql5-odbc, through python3-pyqt5.qtsql) against the driver: a
QDateTime with milliseconds written through a prepared INSERT and read back whole."""

import os
import sys
import time
import unittest

os.environ["TZ"] = "UTC"  # Qt reads an ODBC timestamp as local time: the store's times are UTC
time.tzset()

from PyQt5.QtCore import QCoreApplication, QDate, QDateTime, QTime, Qt  # noqa: E402
from PyQt5.QtSql import QSqlDatabase, QSqlQuery  # noqa: E402

from odbc_env import PrivateOdbc  # noqa: E402


class QtOdbc(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.app = QCoreApplication.instance() or QCoreApplication(sys.argv)
        cls.odbc = PrivateOdbc()
        cls.db = QSqlDatabase.addDatabase("QODBC", "vdl")
        cls.db.setDatabaseName("vdl-sample")  # Qt adds "DSN="
        if not cls.db.open():
            raise AssertionError(cls.db.lastError().text())

    @classmethod
    def tearDownClass(cls):
        cls.db.close()
        del cls.db
        QSqlDatabase.removeDatabase("vdl")
        cls.odbc.close()

    def query(self):
        return QSqlQuery(self.db)

    def test_a_datetime_with_milliseconds_round_trips(self):
        q = self.query()
        self.assertTrue(q.exec_("CREATE TABLE events (name STRING, at TIMESTAMP)"), q.lastError().text())
        written = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7, 123), Qt.UTC)
        self.assertTrue(q.prepare("INSERT INTO events (name, at) VALUES (?, ?)"), q.lastError().text())
        q.addBindValue("first")
        q.addBindValue(written)
        self.assertTrue(q.exec_(), q.lastError().text())

        self.assertTrue(q.exec_("SELECT name, at FROM events"), q.lastError().text())
        self.assertTrue(q.next())
        self.assertEqual(q.value(0), "first")
        read = q.value(1)
        self.assertEqual(read.toString("yyyy-MM-dd hh:mm:ss.zzz"), "2021-03-04 05:06:07.123")
        self.assertFalse(q.next())

    def test_sample_rows_with_their_times_of_day(self):
        q = self.query()
        self.assertTrue(q.exec_("SELECT $timestamp, sym FROM trades ORDER BY $timestamp LIMIT 3"), q.lastError().text())
        rows = []
        while q.next():
            rows.append((q.value(0).toString("yyyy-MM-dd hh:mm:ss"), q.value(1)))
        self.assertEqual(rows, [("2021-01-01 00:00:00", "tsla"), ("2021-01-01 00:00:01", "aapl"),
                                ("2021-01-01 00:00:02", "aapl")])

    def test_tables(self):
        tables = self.db.tables()
        self.assertIn("trades", tables)
        self.assertIn("sensors", tables)


if __name__ == "__main__":
    unittest.main(verbosity=2)
