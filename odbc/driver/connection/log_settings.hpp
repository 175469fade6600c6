#pragma once
// Hands the four log settings to the process-wide logger.

#include "connection/connection_settings.hpp"

namespace settings {

// Configures the logger from `logdir`, `keep_log_file_num` and `max_log_file_size` (signed
// 64-bit decimals), then sets its level from `log_level` (an unsigned decimal). A value that
// is not a number, or is out of range, throws std::invalid_argument or std::out_of_range.
void apply_log_settings(const connection_settings& s);

}  // namespace settings
