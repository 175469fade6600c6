#include "attributes/supported_functions.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "attributes/attribute_operations.hpp"
#include "attributes/named_constant.hpp"
#include "logger/logger.hpp"

namespace attributes {

namespace {

// Identifiers of the ODBC reference that unixODBC's headers do not define.
constexpr SQLUSMALLINT sql_api_sqlprivatedrivers = 79;
constexpr SQLUSMALLINT sql_api_sqlcompleteasync = 1551;

// Every SQL_API_ identifier of the standard; 6 has two names, the first one is used.
constexpr auto function_names = std::to_array<named::constant<SQLUSMALLINT>>({
    {VDL_NAMED(SQL_API_ALL_FUNCTIONS)},
    {VDL_NAMED(SQL_API_SQLALLOCCONNECT)},
    {VDL_NAMED(SQL_API_SQLALLOCENV)},
    {VDL_NAMED(SQL_API_SQLALLOCSTMT)},
    {VDL_NAMED(SQL_API_SQLBINDCOL)},
    {VDL_NAMED(SQL_API_SQLCANCEL)},
    {VDL_NAMED(SQL_API_SQLCOLATTRIBUTE)},
    {VDL_NAMED(SQL_API_SQLCOLATTRIBUTES)},
    {VDL_NAMED(SQL_API_SQLCONNECT)},
    {VDL_NAMED(SQL_API_SQLDESCRIBECOL)},
    {VDL_NAMED(SQL_API_SQLDISCONNECT)},
    {VDL_NAMED(SQL_API_SQLERROR)},
    {VDL_NAMED(SQL_API_SQLEXECDIRECT)},
    {VDL_NAMED(SQL_API_SQLEXECUTE)},
    {VDL_NAMED(SQL_API_SQLFETCH)},
    {VDL_NAMED(SQL_API_SQLFREECONNECT)},
    {VDL_NAMED(SQL_API_SQLFREEENV)},
    {VDL_NAMED(SQL_API_SQLFREESTMT)},
    {VDL_NAMED(SQL_API_SQLGETCURSORNAME)},
    {VDL_NAMED(SQL_API_SQLNUMRESULTCOLS)},
    {VDL_NAMED(SQL_API_SQLPREPARE)},
    {VDL_NAMED(SQL_API_SQLROWCOUNT)},
    {VDL_NAMED(SQL_API_SQLSETCURSORNAME)},
    {VDL_NAMED(SQL_API_SQLSETPARAM)},
    {VDL_NAMED(SQL_API_SQLTRANSACT)},
    {VDL_NAMED(SQL_API_SQLBULKOPERATIONS)},
    {VDL_NAMED(SQL_API_SQLCOLUMNS)},
    {VDL_NAMED(SQL_API_SQLDRIVERCONNECT)},
    {VDL_NAMED(SQL_API_SQLGETCONNECTOPTION)},
    {VDL_NAMED(SQL_API_SQLGETDATA)},
    {VDL_NAMED(SQL_API_SQLGETFUNCTIONS)},
    {VDL_NAMED(SQL_API_SQLGETINFO)},
    {VDL_NAMED(SQL_API_SQLGETSTMTOPTION)},
    {VDL_NAMED(SQL_API_SQLGETTYPEINFO)},
    {VDL_NAMED(SQL_API_SQLPARAMDATA)},
    {VDL_NAMED(SQL_API_SQLPUTDATA)},
    {VDL_NAMED(SQL_API_SQLSETCONNECTOPTION)},
    {VDL_NAMED(SQL_API_SQLSETSTMTOPTION)},
    {VDL_NAMED(SQL_API_SQLSPECIALCOLUMNS)},
    {VDL_NAMED(SQL_API_SQLSTATISTICS)},
    {VDL_NAMED(SQL_API_SQLTABLES)},
    {VDL_NAMED(SQL_API_SQLBROWSECONNECT)},
    {VDL_NAMED(SQL_API_SQLCOLUMNPRIVILEGES)},
    {VDL_NAMED(SQL_API_SQLDATASOURCES)},
    {VDL_NAMED(SQL_API_SQLDESCRIBEPARAM)},
    {VDL_NAMED(SQL_API_SQLEXTENDEDFETCH)},
    {VDL_NAMED(SQL_API_SQLFOREIGNKEYS)},
    {VDL_NAMED(SQL_API_SQLMORERESULTS)},
    {VDL_NAMED(SQL_API_SQLNATIVESQL)},
    {VDL_NAMED(SQL_API_SQLNUMPARAMS)},
    {VDL_NAMED(SQL_API_SQLPARAMOPTIONS)},
    {VDL_NAMED(SQL_API_SQLPRIMARYKEYS)},
    {VDL_NAMED(SQL_API_SQLPROCEDURECOLUMNS)},
    {VDL_NAMED(SQL_API_SQLPROCEDURES)},
    {VDL_NAMED(SQL_API_SQLSETPOS)},
    {VDL_NAMED(SQL_API_SQLSETSCROLLOPTIONS)},
    {VDL_NAMED(SQL_API_SQLTABLEPRIVILEGES)},
    {VDL_NAMED(SQL_API_SQLDRIVERS)},
    {VDL_NAMED(SQL_API_SQLBINDPARAMETER)},
    {VDL_NAMED(SQL_API_SQLALLOCHANDLESTD)},
    {sql_api_sqlprivatedrivers, "SQL_API_SQLPRIVATEDRIVERS"},
    {VDL_NAMED(SQL_API_LOADBYORDINAL)},
    {VDL_NAMED(SQL_API_ODBC3_ALL_FUNCTIONS)},
    {VDL_NAMED(SQL_API_SQLALLOCHANDLE)},
    {VDL_NAMED(SQL_API_SQLBINDPARAM)},
    {VDL_NAMED(SQL_API_SQLCLOSECURSOR)},
    {VDL_NAMED(SQL_API_SQLCOPYDESC)},
    {VDL_NAMED(SQL_API_SQLENDTRAN)},
    {VDL_NAMED(SQL_API_SQLFREEHANDLE)},
    {VDL_NAMED(SQL_API_SQLGETCONNECTATTR)},
    {VDL_NAMED(SQL_API_SQLGETDESCFIELD)},
    {VDL_NAMED(SQL_API_SQLGETDESCREC)},
    {VDL_NAMED(SQL_API_SQLGETDIAGFIELD)},
    {VDL_NAMED(SQL_API_SQLGETDIAGREC)},
    {VDL_NAMED(SQL_API_SQLGETENVATTR)},
    {VDL_NAMED(SQL_API_SQLGETSTMTATTR)},
    {VDL_NAMED(SQL_API_SQLSETCONNECTATTR)},
    {VDL_NAMED(SQL_API_SQLSETDESCFIELD)},
    {VDL_NAMED(SQL_API_SQLSETDESCREC)},
    {VDL_NAMED(SQL_API_SQLSETENVATTR)},
    {VDL_NAMED(SQL_API_SQLSETSTMTATTR)},
    {VDL_NAMED(SQL_API_SQLFETCHSCROLL)},
    {VDL_NAMED(SQL_API_SQLCANCELHANDLE)},
    {sql_api_sqlcompleteasync, "SQL_API_SQLCOMPLETEASYNC"},
});
static_assert(std::is_sorted(function_names.begin(), function_names.end(),
                             [](const auto& a, const auto& b) { return a.id < b.id; }),
              "the names are in the order of their identifiers");
static_assert(function_names.front().id == SQL_API_ALL_FUNCTIONS &&
              function_names.back().id == sql_api_sqlcompleteasync);
static_assert(named::names_unique(function_names), "each name is written once");

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
    {SQL_API_SQLCANCELHANDLE, false},
    {sql_api_sqlcompleteasync, false},
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

static_assert(std::all_of(function_table.begin(), function_table.end(),
                          [](const function_support& f) {
                              return std::any_of(function_names.begin(), function_names.end(),
                                                 [&](const auto& n) { return n.id == f.id; });
                          }),
              "every function the driver answers for has its name");
static_assert(named::ids_unique(function_table), "each function is answered for once");

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

std::string_view function_name(SQLUSMALLINT id) { return named::name_of(function_names, id); }

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
