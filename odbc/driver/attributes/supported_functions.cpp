#include "attributes/supported_functions.hpp"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "attributes/attribute_operations.hpp"
#include "logger/logger.hpp"

namespace attributes {

namespace {

struct function_entry {
    SQLUSMALLINT id;
    std::string_view name;
};

// Every SQL_API_ identifier of the standard; 6 has two names, the first one is used.
constexpr std::array<function_entry, 84> function_names{{
    {0, "SQL_API_ALL_FUNCTIONS"},        {1, "SQL_API_SQLALLOCCONNECT"},      {2, "SQL_API_SQLALLOCENV"},
    {3, "SQL_API_SQLALLOCSTMT"},         {4, "SQL_API_SQLBINDCOL"},           {5, "SQL_API_SQLCANCEL"},
    {6, "SQL_API_SQLCOLATTRIBUTE"},      {6, "SQL_API_SQLCOLATTRIBUTES"},     {7, "SQL_API_SQLCONNECT"},
    {8, "SQL_API_SQLDESCRIBECOL"},       {9, "SQL_API_SQLDISCONNECT"},        {10, "SQL_API_SQLERROR"},
    {11, "SQL_API_SQLEXECDIRECT"},       {12, "SQL_API_SQLEXECUTE"},          {13, "SQL_API_SQLFETCH"},
    {14, "SQL_API_SQLFREECONNECT"},      {15, "SQL_API_SQLFREEENV"},          {16, "SQL_API_SQLFREESTMT"},
    {17, "SQL_API_SQLGETCURSORNAME"},    {18, "SQL_API_SQLNUMRESULTCOLS"},    {19, "SQL_API_SQLPREPARE"},
    {20, "SQL_API_SQLROWCOUNT"},         {21, "SQL_API_SQLSETCURSORNAME"},    {22, "SQL_API_SQLSETPARAM"},
    {23, "SQL_API_SQLTRANSACT"},         {24, "SQL_API_SQLBULKOPERATIONS"},   {40, "SQL_API_SQLCOLUMNS"},
    {41, "SQL_API_SQLDRIVERCONNECT"},    {42, "SQL_API_SQLGETCONNECTOPTION"}, {43, "SQL_API_SQLGETDATA"},
    {44, "SQL_API_SQLGETFUNCTIONS"},     {45, "SQL_API_SQLGETINFO"},          {46, "SQL_API_SQLGETSTMTOPTION"},
    {47, "SQL_API_SQLGETTYPEINFO"},      {48, "SQL_API_SQLPARAMDATA"},        {49, "SQL_API_SQLPUTDATA"},
    {50, "SQL_API_SQLSETCONNECTOPTION"}, {51, "SQL_API_SQLSETSTMTOPTION"},    {52, "SQL_API_SQLSPECIALCOLUMNS"},
    {53, "SQL_API_SQLSTATISTICS"},       {54, "SQL_API_SQLTABLES"},           {55, "SQL_API_SQLBROWSECONNECT"},
    {56, "SQL_API_SQLCOLUMNPRIVILEGES"}, {57, "SQL_API_SQLDATASOURCES"},      {58, "SQL_API_SQLDESCRIBEPARAM"},
    {59, "SQL_API_SQLEXTENDEDFETCH"},    {60, "SQL_API_SQLFOREIGNKEYS"},      {61, "SQL_API_SQLMORERESULTS"},
    {62, "SQL_API_SQLNATIVESQL"},        {63, "SQL_API_SQLNUMPARAMS"},        {64, "SQL_API_SQLPARAMOPTIONS"},
    {65, "SQL_API_SQLPRIMARYKEYS"},      {66, "SQL_API_SQLPROCEDURECOLUMNS"}, {67, "SQL_API_SQLPROCEDURES"},
    {68, "SQL_API_SQLSETPOS"},           {69, "SQL_API_SQLSETSCROLLOPTIONS"}, {70, "SQL_API_SQLTABLEPRIVILEGES"},
    {71, "SQL_API_SQLDRIVERS"},          {72, "SQL_API_SQLBINDPARAMETER"},    {73, "SQL_API_SQLALLOCHANDLESTD"},
    {79, "SQL_API_SQLPRIVATEDRIVERS"},   {199, "SQL_API_LOADBYORDINAL"},      {999, "SQL_API_ODBC3_ALL_FUNCTIONS"},
    {1001, "SQL_API_SQLALLOCHANDLE"},    {1002, "SQL_API_SQLBINDPARAM"},      {1003, "SQL_API_SQLCLOSECURSOR"},
    {1004, "SQL_API_SQLCOPYDESC"},       {1005, "SQL_API_SQLENDTRAN"},        {1006, "SQL_API_SQLFREEHANDLE"},
    {1007, "SQL_API_SQLGETCONNECTATTR"}, {1008, "SQL_API_SQLGETDESCFIELD"},   {1009, "SQL_API_SQLGETDESCREC"},
    {1010, "SQL_API_SQLGETDIAGFIELD"},   {1011, "SQL_API_SQLGETDIAGREC"},     {1012, "SQL_API_SQLGETENVATTR"},
    {1014, "SQL_API_SQLGETSTMTATTR"},    {1016, "SQL_API_SQLSETCONNECTATTR"}, {1017, "SQL_API_SQLSETDESCFIELD"},
    {1018, "SQL_API_SQLSETDESCREC"},     {1019, "SQL_API_SQLSETENVATTR"},     {1020, "SQL_API_SQLSETSTMTATTR"},
    {1021, "SQL_API_SQLFETCHSCROLL"},    {1550, "SQL_API_SQLCANCELHANDLE"},   {1551, "SQL_API_SQLCOMPLETEASYNC"},
}};

// Every function the driver exports or the Driver Manager maps onto its exports, and whether it
// is reported as supported: only a function whose work is done is. The Driver Manager reads this
// answer when it connects and calls no function reported as missing (it answers IM001 itself), so
// a row turns true when its work is built. SQLDataSources and SQLDrivers are the Driver
// Manager's own; the ODBC 2 functions are mapped by it onto their ODBC 3 counterparts.
struct function_support {
    SQLUSMALLINT id;
    bool supported;
};

constexpr std::array function_table = std::to_array<function_support>({
    // handles
    {SQL_API_SQLALLOCHANDLE, true},
    {SQL_API_SQLALLOCSTMT, true},
    {SQL_API_SQLFREEHANDLE, true},
    {SQL_API_SQLFREESTMT, true},
    // connection
    {SQL_API_SQLCONNECT, true},
    {SQL_API_SQLDRIVERCONNECT, true},
    {SQL_API_SQLDISCONNECT, true},
    {SQL_API_SQLDATASOURCES, true},
    {SQL_API_SQLDRIVERS, true},
    {SQL_API_SQLBROWSECONNECT, false},
    // attributes and information
    {SQL_API_SQLGETCONNECTATTR, true},
    {SQL_API_SQLSETCONNECTATTR, true},
    {SQL_API_SQLGETCONNECTOPTION, true},
    {SQL_API_SQLSETCONNECTOPTION, true},
    {SQL_API_SQLGETENVATTR, true},
    {SQL_API_SQLSETENVATTR, true},
    {SQL_API_SQLGETSTMTATTR, true},
    {SQL_API_SQLSETSTMTATTR, true},
    {SQL_API_SQLGETINFO, true},
    {SQL_API_SQLGETFUNCTIONS, true},
    // descriptors: handle values only
    {SQL_API_SQLCOPYDESC, false},
    {SQL_API_SQLGETDESCFIELD, false},
    {SQL_API_SQLGETDESCREC, false},
    {SQL_API_SQLSETDESCFIELD, false},
    {SQL_API_SQLSETDESCREC, false},
    // diagnostics
    {SQL_API_SQLGETDIAGFIELD, true},
    {SQL_API_SQLGETDIAGREC, true},
    {SQL_API_SQLERROR, true},
    // execution
    {SQL_API_SQLPREPARE, true},
    {SQL_API_SQLEXECUTE, true},
    {SQL_API_SQLEXECDIRECT, true},
    {SQL_API_SQLNATIVESQL, true},
    {SQL_API_SQLBINDPARAMETER, true},
    {SQL_API_SQLDESCRIBEPARAM, true},
    {SQL_API_SQLNUMPARAMS, true},
    {SQL_API_SQLPARAMOPTIONS, true},
    {SQL_API_SQLPARAMDATA, false},
    {SQL_API_SQLPUTDATA, false},
    {SQL_API_SQLCANCEL, true},
    {1550 /* SQL_API_SQLCANCELHANDLE */, false},
    {1551 /* SQL_API_SQLCOMPLETEASYNC */, false},
    {SQL_API_SQLENDTRAN, true},
    {SQL_API_SQLTRANSACT, true},
    // results
    {SQL_API_SQLNUMRESULTCOLS, true},
    {SQL_API_SQLDESCRIBECOL, true},
    {SQL_API_SQLCOLATTRIBUTE, true},
    {SQL_API_SQLBINDCOL, true},
    {SQL_API_SQLFETCH, true},
    {SQL_API_SQLFETCHSCROLL, true},
    {SQL_API_SQLEXTENDEDFETCH, true},
    {SQL_API_SQLGETDATA, true},
    {SQL_API_SQLROWCOUNT, true},
    {SQL_API_SQLMORERESULTS, true},
    {SQL_API_SQLCLOSECURSOR, true},
    {SQL_API_SQLGETCURSORNAME, false},
    {SQL_API_SQLSETCURSORNAME, false},
    {SQL_API_SQLSETPOS, true},
    {SQL_API_SQLSETSCROLLOPTIONS, false},
    {SQL_API_SQLBULKOPERATIONS, false},
    // catalog and type information
    {SQL_API_SQLTABLES, true},
    {SQL_API_SQLCOLUMNS, true},
    {SQL_API_SQLSTATISTICS, true},
    {SQL_API_SQLSPECIALCOLUMNS, false},
    {SQL_API_SQLPRIMARYKEYS, true},
    {SQL_API_SQLFOREIGNKEYS, true},
    {SQL_API_SQLTABLEPRIVILEGES, true},
    {SQL_API_SQLCOLUMNPRIVILEGES, true},
    {SQL_API_SQLPROCEDURES, true},
    {SQL_API_SQLPROCEDURECOLUMNS, true},
    {SQL_API_SQLGETTYPEINFO, true},
});

constexpr bool is_supported(SQLUSMALLINT id) noexcept {
    for (const auto& f : function_table)
        if (f.id == id) return f.supported;
    return false;
}

constexpr function_bitmap bitmap_of_supported = [] {
    function_bitmap words{};
    for (const auto& f : function_table)
        if (f.supported) words[f.id >> 4] = static_cast<SQLUSMALLINT>(words[f.id >> 4] | (1u << (f.id & 15)));
    return words;
}();

}  // namespace

const function_bitmap& supported_functions() { return bitmap_of_supported; }

std::string_view function_name(SQLUSMALLINT id) {
    static const auto names = [] {
        std::unordered_map<SQLUSMALLINT, std::string_view> map;
        for (const auto& entry : function_names) map.try_emplace(entry.id, entry.name);
        return map;
    }();
    const auto it = names.find(id);
    return it == names.end() ? std::string_view() : it->second;
}

diag_record get_functions(handle::connection&, SQLUSMALLINT function_id, SQLUSMALLINT* supported) {
    log_line(logger::level::debug, "{} - id: {}", "get_functions", function_name(function_id));
    if (supported == nullptr)
        return diag_record(diag::state::invalid_null_pointer, "supported pointer cannot be nullptr.");
    if (function_id == SQL_API_ODBC3_ALL_FUNCTIONS) {
        std::copy(bitmap_of_supported.begin(), bitmap_of_supported.end(), supported);
    } else if (function_id == SQL_API_ALL_FUNCTIONS) {
        // The ODBC 2 array: one flag for each identifier below 100.
        for (SQLUSMALLINT id = 0; id < 100; ++id) supported[id] = is_supported(id) ? SQL_TRUE : SQL_FALSE;
    } else {
        *supported = is_supported(function_id) ? SQL_TRUE : SQL_FALSE;
    }
    return diag_record::success();
}

}  // namespace attributes
