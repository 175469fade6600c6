"""A private unixODBC configuration for one test run: the built driver registered as
"vdl" in an odbcinst.ini of its own, a data source in an odbc.ini of its own, and a sample
store made by vdlsh."""

import os
import shutil
import subprocess
import tempfile


class PrivateOdbc:
    def __init__(self, rows=50):
        self.driver = os.environ["VDL_DRIVER_PATH"]
        self.vdlsh = os.environ["VDLSH"]
        self.dir = tempfile.mkdtemp(prefix="vdl_e2e_")
        self.store = os.path.join(self.dir, "store.db")
        self.uri = "file://" + self.store
        with open(os.path.join(self.dir, "odbcinst.ini"), "w") as f:
            f.write(f"[vdl]\nDescription = Vandrel ODBC driver\nDriver = {self.driver}\n")
        with open(os.path.join(self.dir, "odbc.ini"), "w") as f:
            f.write(f"[vdl-sample]\nDriver = vdl\nDescription = sample store\nuri = {self.uri}\n"
                    f"logdir = {self.dir}/log\nlog_level = 3\n")
        os.environ["ODBCSYSINI"] = self.dir
        os.environ["ODBCINI"] = os.path.join(self.dir, "odbc.ini")
        os.environ["XDG_DATA_HOME"] = self.dir
        subprocess.run([self.vdlsh, self.uri, "--sample", str(rows)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def log_text(self):
        path = os.path.join(self.dir, "log", "vdl_odbc_driver.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)
