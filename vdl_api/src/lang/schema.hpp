// What the translator knows of the store's tables: which of their columns hold timestamps, so
// that a quoted text compared with or assigned to such a column is read as a timestamp.
#pragma once

#include "../column_types.hpp"
#include "../failure.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vdl::lang {

struct table_column {
    std::string name;
    bool timestamp = false;  // declared TIMESTAMP
    column_type type = column_type::string;
};

// A table's columns in table order; empty when the store has no such table.
using table_columns = std::vector<table_column>;

class schema_source {
public:
    // The version of the store's schema the columns are read at: it changes whenever any
    // connection creates, drops or alters a table. A translation that read the schema is valid
    // for that version only.
    virtual outcome<std::int64_t> version() = 0;
    // The columns of the table named `table` (case-insensitive), valid until the next call.
    virtual outcome<const table_columns*> columns(std::string_view table) = 0;

protected:
    schema_source() = default;
    schema_source(const schema_source&) = default;
    schema_source& operator=(const schema_source&) = default;
    ~schema_source() = default;
};

}  // namespace vdl::lang
