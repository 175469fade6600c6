#pragma once
// Control of the fake client library: what its calls answer, and what they were asked.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "vdl_api.h"

namespace fake_vdl {

// The answer of one vdl_query call: its code and the record it stores (owned by the test).
struct query_answer {
    std::uint32_t result = VDL_OK;
    vdl_result* record = nullptr;
};

// The answers of the next calls; reset() restores these defaults.
struct answers {
    bool open_fails = false;  // vdl_open_tcp returns null
    // vdl_connect; unset, it answers as the real library does without a network transport:
    // VDL_OK for "file:" URIs, VDL_E_CONNECTION for "vdl://" URIs, VDL_E_BAD_URI otherwise.
    std::optional<std::uint32_t> connect_result;
    std::uint32_t option_result = VDL_OK;    // every vdl_option_set_* call
    std::uint32_t query_result = VDL_OK;     // vdl_query
    std::uint32_t metadata_result = VDL_OK;  // vdl_ts_get_metadata
    // The records those two store, null unless set. The test owns them: vdl_release of one is
    // recorded ("vdl_release(#1, record)") and frees nothing.
    vdl_result* query_record = nullptr;
    vdl_metadata* metadata_record = nullptr;
    std::string error_text = "fake failure";  // vdl_error, whatever the code
    // The answers of the coming vdl_query calls, one each and in order, taken before
    // query_result and query_record, which answer once these are used up.
    std::deque<query_answer> queries;
};

// The answers in force; change them before the calls they should affect.
answers& next();

// Every call since the last reset, in order, one text each, handles written as "#<n>" in the
// order they were opened ("#1" first) and a null handle as "null", for example
// "vdl_open_tcp() = #1", "vdl_connect(#1, vdl://h:1)", "vdl_close(#1)", "vdl_close(null)".
// A handle that is not open (closed already, or never opened) is written "#closed".
std::vector<std::string> calls();

// The calls whose name starts with `prefix`.
std::vector<std::string> calls_of(const std::string& prefix);

// Handles opened and not yet closed.
std::size_t open_handles();

// Forgets the calls only.
void reset_calls();

// Forgets the calls, closes what is still open and restores the default answers.
void reset();

}  // namespace fake_vdl
