#pragma once
// Hands the four log settings to the process-wide logger.

#include <optional>

#include "connection/connection_settings.hpp"
#include "diagnostics/diag_record.hpp"

namespace settings {

// Configures the logger from `logdir`, `keep_log_file_num` and `max_log_file_size` (signed
// 64-bit decimals), then sets its level from `log_level` (an unsigned decimal). A number that
// cannot be read leaves the logger as it is and gives the record naming its key and the problem.
[[nodiscard]] std::optional<diag_record> apply_log_settings(const connection_settings& s);

}  // namespace settings
