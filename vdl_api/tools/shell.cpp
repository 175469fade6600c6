#include "shell.hpp"

#include "error_codes.hpp"
#include "lang/token.hpp"
#include "lang/tokenizer.hpp"
#include "result_table.hpp"
#include "sample_data.hpp"
#include "session.hpp"

#include <fmt/format.h>

#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace vdlsh {
namespace {

constexpr std::string_view usage =
    "usage: vdlsh URI [--sample N] [-c QUERY]...\n"
    "  URI          file:PATH (an embedded store, created if missing) or vdl://HOST:PORT\n"
    "  --sample N   create the sample tables trades and sensors with N rows each\n"
    "  -c QUERY     run QUERY (repeatable); without -c or --sample, read statements\n"
    "               ending with ';' from standard input\n";

// Samples this large report their progress.
constexpr std::uint64_t progress_threshold = 100'000;

struct options {
    std::string_view uri;
    std::optional<std::uint64_t> sample_rows;
    std::vector<std::string_view> queries;
};

std::string describe(const vdl::failure& error) {
    const auto stable = vdl::stable_text(error.code);
    return error.detail.empty() ? std::string(stable) : fmt::format("{}: {}", stable, error.detail);
}

std::optional<options> parse_arguments(std::span<const std::string_view> arguments, std::ostream& err) {
    options parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto argument = arguments[i];
        if (argument == "-c" || argument == "--sample") {
            if (i + 1 == arguments.size()) {
                err << fmt::format("vdlsh: {} needs a value\n{}", argument, usage);
                return std::nullopt;
            }
            const auto value = arguments[++i];
            if (argument == "-c") {
                parsed.queries.push_back(value);
                continue;
            }
            std::uint64_t rows = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), rows);
            if (error != std::errc{} || end != value.data() + value.size() || rows == 0) {
                err << fmt::format("vdlsh: --sample takes a positive number of rows, not '{}'\n", value);
                return std::nullopt;
            }
            if (rows > max_sample_rows) {
                err << fmt::format("vdlsh: --sample takes at most {} rows (their timestamps must fit in 64 bits)\n",
                                   max_sample_rows);
                return std::nullopt;
            }
            parsed.sample_rows = rows;
        } else if (argument.starts_with("-") && argument.size() > 1) {
            err << fmt::format("vdlsh: unknown option '{}'\n{}", argument, usage);
            return std::nullopt;
        } else if (parsed.uri.empty()) {
            parsed.uri = argument;
        } else {
            err << fmt::format("vdlsh: unexpected argument '{}'\n{}", argument, usage);
            return std::nullopt;
        }
    }
    if (parsed.uri.empty()) {
        err << usage;
        return std::nullopt;
    }
    return parsed;
}

class shell {
public:
    shell(vdl::session& session, streams io) : session_(session), io_(io) {}

    // Runs one statement and prints its result; false when it failed.
    bool run(std::string_view statement) {
        auto answer = session_.query(statement);
        if (!answer) {
            io_.err << fmt::format("vdlsh: error: {}\n", describe(answer.error()));
            return false;
        }
        if (answer->record == nullptr) io_.out << "ok\n";
        else print_table(*static_cast<const vdl_result*>(answer->record), io_.out);
        return true;
    }

    // Runs every complete statement of the text; keeps an unfinished one in pending.
    bool run_input(bool at_end) {
        auto tokens = vdl::lang::tokenize(pending_);
        if (!tokens) {
            // A string, quoted name or comment may go on in the next line; any other error
            // stays whatever follows, so it is reported now rather than at the end of input.
            if (!at_end && tokens.error().detail.starts_with("unterminated")) return true;
            io_.err << fmt::format("vdlsh: error: {}\n", describe(tokens.error()));
            pending_.clear();
            return false;
        }
        // Everything up to the last semicolon is complete; at the end, everything is.
        std::size_t complete = 0;
        for (const auto& t : *tokens)
            if (t.kind == vdl::lang::token_kind::semicolon) complete = t.offset + 1;
        if (at_end) complete = pending_.size();
        auto statements = vdl::lang::split_statements(std::string_view(pending_).substr(0, complete));
        bool ok = true;
        if (statements)
            for (const auto statement : *statements) {
                ok = run(statement) && ok;
                if (!ok && !io_.interactive) break;
            }
        pending_.erase(0, complete);
        return ok;
    }

    bool read_statements() {
        bool ok = true;
        std::string line;
        while (true) {
            if (io_.interactive)
                io_.out << (pending_.find_first_not_of(" \t\r\n") == std::string::npos ? "vdl> " : "...> ")
                        << std::flush;
            if (!std::getline(io_.in, line)) break;
            pending_ += line;
            pending_ += '\n';
            if (!run_input(false)) {
                ok = false;
                if (!io_.interactive) return false;
            }
        }
        if (io_.interactive) io_.out << '\n';
        return run_input(true) && ok;
    }

private:
    vdl::session& session_;
    streams io_;
    std::string pending_;
};

}  // namespace

int run_shell(std::span<const std::string_view> arguments, streams io) {
    for (const auto argument : arguments)
        if (argument == "--help" || argument == "-h") {
            io.out << usage;
            return 0;
        }
    const auto parsed = parse_arguments(arguments, io.err);
    if (!parsed) return 2;

    vdl::session session;
    if (auto connected = session.connect(parsed->uri); !connected) {
        io.err << fmt::format("vdlsh: error: {}\n", describe(connected.error()));
        return 1;
    }

    if (parsed->sample_rows) {
        const auto rows = *parsed->sample_rows;
        progress_callback progress;
        if (rows >= progress_threshold)
            // On a terminal one line is redrawn; otherwise a line per quarter.
            progress = [&io, quarter = std::uint64_t{1}](std::string_view table, std::uint64_t done,
                                                         std::uint64_t total) mutable {
                if (io.progress_in_place) {
                    io.err << fmt::format("\r{}: {}/{} rows", table, done, total) << (done == total ? "\n" : "")
                           << std::flush;
                } else if (done * 4 >= quarter * total) {
                    io.err << fmt::format("{}: {}/{} rows\n", table, done, total);
                    quarter = done == total ? 1 : done * 4 / total + 1;
                }
            };
        if (auto made = create_samples(session, rows, progress); !made) {
            io.err << fmt::format("vdlsh: error: {}\n", describe(made.error()));
            return 1;
        }
        io.out << fmt::format("created sample tables trades and sensors with {} rows each\n", rows);
    }

    shell runner(session, io);
    for (const auto query : parsed->queries)
        if (!runner.run(query)) return 1;
    if (parsed->queries.empty() && !parsed->sample_rows) return runner.read_statements() ? 0 : 1;
    return 0;
}

}  // namespace vdlsh
