#!/usr/bin/python3
"""The demo's Python client: Debian's pyodbc with its default settings against a data source of
the Vandrel ODBC driver, through the unixODBC Driver Manager.

usage: demo_client.py DSN CHART.png"""

import logging
import sys

import pyodbc


def show(title, cursor):
    """Prints a result as a small table: the column names from cursor.description, then the rows."""
    names = [d[0] for d in cursor.description]
    rows = [["NULL" if v is None else str(v) for v in row] for row in cursor.fetchall()]
    widths = [max([len(n)] + [len(r[i]) for r in rows]) for i, n in enumerate(names)]
    print(f"\n{title}")
    print("  " + "  ".join(n.ljust(w) for n, w in zip(names, widths)))
    for r in rows:
        print("  " + "  ".join(v.ljust(w) for v, w in zip(r, widths)))


def chart(cursor, path):
    """Price per symbol over time, one line each, written as a PNG."""
    logging.getLogger("matplotlib").setLevel(logging.ERROR)  # no notes about its font cache
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    symbols = [row.sym for row in cursor.execute("select distinct sym from trades where sym is not null order by sym")]
    figure, axes = plt.subplots(figsize=(8, 4.5), dpi=100)
    for sym in symbols:
        rows = cursor.execute("select $timestamp, price from trades where sym = ? and price is not null "
                              "order by $timestamp", sym).fetchall()
        axes.plot([r[0] for r in rows], [r[1] for r in rows], linewidth=0.8, label=sym)
    axes.set_title("trades: price per symbol")
    axes.set_xlabel("time (UTC)")
    axes.set_ylabel("price")
    axes.legend(loc="upper left", ncol=len(symbols), fontsize="small")
    figure.autofmt_xdate()
    figure.tight_layout()
    figure.savefig(path)
    plt.close(figure)


def main(dsn, chart_path):
    cnxn = pyodbc.connect(f"DSN={dsn}", autocommit=True)
    cursor = cnxn.cursor()
    print(f"connected to the data source {cnxn.getinfo(pyodbc.SQL_DATA_SOURCE_NAME)}: "
          f"{cnxn.getinfo(pyodbc.SQL_DBMS_NAME)} {cnxn.getinfo(pyodbc.SQL_DBMS_VER)}")

    show("A parameterised query: the first trades of 'msft' above 5000 shares",
         cursor.execute("select $timestamp, price, volume from trades where sym = ? and volume > ? "
                        "order by $timestamp limit 5", "msft", 5000))

    show("An aggregate per symbol",
         cursor.execute("select sym, count(*) as trades, min(price) as low, max(price) as high, "
                        "sum(volume) as volume from trades where sym is not null group by sym order by sym"))

    print("\nThe tables (cursor.tables()):")
    for table in cursor.tables():
        print(f"  {table.table_name} ({table.table_type})")
    print("\nThe columns of trades (cursor.columns()):")
    for column in cursor.columns(table="trades"):
        print(f"  {column.column_name}: {column.type_name}")

    chart(cursor, chart_path)
    print(f"\nA chart of price per symbol over time: {chart_path}")
    cnxn.close()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        sys.exit(2)
    main(sys.argv[1], sys.argv[2])
