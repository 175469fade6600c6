#include "setpos/set_pos.hpp"

#include "diagnostics/not_implemented_yet.hpp"

namespace setpos_ops {

diag_record set_pos(handle::statement&, SQLSETPOSIROW, SQLUSMALLINT, SQLUSMALLINT) { return not_implemented_yet(); }

}  // namespace setpos_ops
