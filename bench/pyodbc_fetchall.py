"""One contender of the pyodbc scenario: cursor.execute(QUERY).fetchall() through pyodbc.

    python3 pyodbc_fetchall.py CONNECTION_STRING QUERY wide|narrow

wide keeps pyodbc's default reads of character columns (SQL_C_WCHAR, UTF-16); narrow sets the
8-bit decoding (SQL_C_CHAR, UTF-8) first. Prints the line the other benchmark programs print.
"""
import sys
import time

import pyodbc


def main():
    connection, query, reads = sys.argv[1], sys.argv[2], sys.argv[3]
    cnxn = pyodbc.connect(connection, autocommit=True)
    if reads == "narrow":
        cnxn.setdecoding(pyodbc.SQL_CHAR, encoding="utf-8")
        cnxn.setdecoding(pyodbc.SQL_WCHAR, encoding="utf-8")
        cnxn.setencoding(encoding="utf-8")
    start = time.perf_counter()
    rows = cnxn.cursor().execute(query).fetchall()
    seconds = time.perf_counter() - start
    print(f"rows={len(rows)} seconds={seconds:.6f} checksum={len(rows[0]) if rows else 0}")


if __name__ == "__main__":
    main()
