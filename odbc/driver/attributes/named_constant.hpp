#pragma once
// A header constant and its name, written once: VDL_NAMED(SQL_X) stands for `SQL_X, "SQL_X"`, so
// a table row pairing a number with its name cannot pair it with another name or number.

#define VDL_NAMED(constant) (constant), #constant
