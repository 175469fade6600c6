#pragma once
// The fixed tables of each handle kind, built once per process on first use.

#include "attributes/attribute_table.hpp"
#include "handle/connection.hpp"
#include "handle/environment.hpp"
#include "handle/statement.hpp"

namespace attributes {

// The attribute table of a handle kind: environment, connection or statement.
template <typename Owner>
const attribute_table<Owner>& prepare_attributes();

template <>
const attribute_table<handle::environment>& prepare_attributes<handle::environment>();
template <>
const attribute_table<handle::connection>& prepare_attributes<handle::connection>();
template <>
const attribute_table<handle::statement>& prepare_attributes<handle::statement>();

// The answers of SQLGetInfo.
const info_table& prepare_infos();

}  // namespace attributes
