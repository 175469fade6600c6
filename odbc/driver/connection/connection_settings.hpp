#pragma once

#include <functional>
#include <map>
#include <string>

// Lower-case setting key to its value text, as written.
using connection_settings = std::map<std::string, std::string, std::less<>>;
