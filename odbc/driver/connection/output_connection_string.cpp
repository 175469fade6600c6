#include "connection/output_connection_string.hpp"

#include <iterator>

#include <fmt/format.h>

namespace settings {

std::string output_connection_string(const connection_settings& s) {
    std::string out;
    for (const auto& [key, value] : s) fmt::format_to(std::back_inserter(out), "{}={};", key, value);
    return out;
}

}  // namespace settings
