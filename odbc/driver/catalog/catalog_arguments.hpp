#pragma once
// The Debug trace of a catalog call's text arguments: one line each, in argument order, such as
// "catalog: " and "table: cpu".

#include <initializer_list>
#include <string_view>

#include "logger/logger.hpp"

namespace catalog {

struct named_argument {
    std::string_view label;
    std::string_view value;
};

inline void log_arguments(std::initializer_list<named_argument> arguments) {
    for (const auto& a : arguments) log_line(logger::level::debug, "{}: {}", a.label, a.value);
}

}  // namespace catalog
