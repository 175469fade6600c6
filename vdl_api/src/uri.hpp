// Cluster URIs: file: URIs name an embedded store, vdl:// URIs a network cluster.
#pragma once

#include "failure.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace vdl {

struct store_location {
    std::string path;  // decoded file path, absolute or relative to the working directory
};

struct cluster_address {
    std::string host;
    std::uint16_t port;
};

inline constexpr std::uint16_t default_cluster_port = 2836;

using location = std::variant<store_location, cluster_address>;

// Fails with VDL_E_BAD_URI and a text saying what is wrong.
outcome<location> parse_uri(std::string_view uri);

}  // namespace vdl
