// vdlsh: runs statements against a store and prints their results.
//
//   vdlsh URI [--sample N] [-c QUERY]...
//
// --sample N creates the sample tables with N rows each; each -c runs one statement.
// Without either, statements are read from the input, each ending with ';' (the last
// one may omit it). Exit status: 0 on success, 1 when a statement or the connection
// fails, 2 for a usage error.
#pragma once

#include <istream>
#include <ostream>
#include <span>
#include <string_view>

namespace vdlsh {

struct streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool interactive = false;        // prompt for input and go on after a failed statement
    bool progress_in_place = false;  // redraw the progress line instead of adding lines
};

int run_shell(std::span<const std::string_view> arguments, streams io);

}  // namespace vdlsh
