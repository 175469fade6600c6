"""The end-to-end suite's private unixODBC configuration (made by tests/support/private_odbc.sh):
the built driver registered as "vdl", a data source "vdl-sample" on a sample store made by vdlsh,
and the driver's log at Debug in the directory."""

import os
import shutil
import subprocess
import tempfile


def private_odbc(directory, *arguments):
    """Writes the configuration and points this process (and the programs it starts) at it."""
    printed = subprocess.run(["bash", os.environ["PRIVATE_ODBC"], directory, *arguments], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    for line in printed.splitlines():
        name, _, value = line.partition("=")
        os.environ[name] = value


class PrivateOdbc:
    def __init__(self, rows=50):
        self.driver = os.environ["VDL_DRIVER_PATH"]
        self.vdlsh = os.environ["VDLSH"]
        self.dir = tempfile.mkdtemp(prefix="vdl_e2e_")
        self.store = os.path.join(self.dir, "store.db")
        self.uri = "file://" + self.store
        private_odbc(self.dir, "--data-home", "--driver", "vdl", self.driver,
                     "--data-source", "vdl-sample", "Driver=vdl", "Description=sample store", f"uri={self.uri}",
                     f"logdir={self.dir}/log", "log_level=3")
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
