#pragma once
// Environment variables and a private odbc.ini for tests that read data sources.

#include <string>

#include "private_odbc.hpp"

namespace test {

using support::scoped_env;

// A section name not used before in this process. unixODBC keeps the values it has read for a
// while, keyed by section and key only: a section whose values change between runs of a test
// in one process (a temporary path) needs a fresh name each time.
inline std::string fresh_section(const std::string& base) {
    static int count = 0;
    return base + "_" + std::to_string(++count);
}

// Data sources of their own, found by unixODBC through ODBCINI and ODBCSYSINI, made from the
// arguments private_odbc.sh takes ("--data-source", name, "key=value", ...). As unixODBC keeps
// the values it has read, every test names its own sections.
using private_odbc_ini = support::private_odbc;

}  // namespace test
