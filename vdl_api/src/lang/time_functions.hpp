// The query language's functions on timestamps (integer nanoseconds since the epoch, UTC), and
// ROUND to a number of decimal places that may be negative:
//   year(t), month(t), day(t), hour(t), minute(t), second(t)  the fields of t
//   quarter(t)     1 to 4
//   week(t)        1 to 53: week 1 holds January 1st, weeks begin on Sunday
//   dayofweek(t)   1 (Sunday) to 7 (Saturday)
//   dayofyear(t)   1 to 366
//   dayname(t), monthname(t)                       English names: Monday, January
//   date_trunc(unit, t)                            t cut down to the unit (time buckets); a week
//                                                  begins on Sunday
//   timestamp_add(unit, n, t)                      t plus n units (months keep the day, or end
//                                                  at the month's last day)
//   timestamp_diff(unit, t1, t2)                   the whole units from t1 to t2 (negative when
//                                                  t2 is earlier)
//   round_to(x, n)                                 x rounded half away from zero to n decimal
//                                                  places (n < 0: to tens, hundreds ...)
// The units are 'nanosecond', 'microsecond', 'millisecond', 'second', 'minute', 'hour', 'day',
// 'week', 'month', 'quarter' and 'year'. A timestamp argument is a timestamp value or a text
// that is one (yyyy-mm-dd[ hh:mm:ss[.f]]); NULL gives NULL; anything else is an error.
#pragma once

#include <sqlite3.h>

namespace vdl::lang {

// Registers the functions with a connection of the engine; false when the engine refused one.
bool register_time_functions(sqlite3* db);

}  // namespace vdl::lang
