// Connection strings and installer attribute lists, as a connect and a setup call read them: the
// parser, the masked text written to the log and the output connection string. The value of
// every `pwd` entry must never reach the log.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "connection/connection_settings.hpp"
#include "connection/output_connection_string.hpp"
#include "connection/secret_masking.hpp"
#include "connection/settings_parser.hpp"
#include "fuzz_input.hpp"
#include "logger/logger.hpp"
#include "setup/attribute_list.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path& log_directory() {
    static const fs::path dir = [] {
        std::string tmpl = (fs::temp_directory_path() / "vdl_fuzz_log_XXXXXX").string();
        return fs::path(::mkdtemp(tmpl.data()));
    }();
    return dir;
}

std::string read_and_clear_log() {
    auto& lg = logger::instance();
    lg.close_file();
    const auto file = log_directory() / "vdl_odbc_driver.log";
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::error_code ec;
    fs::remove(file, ec);
    return text;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool is_pwd(std::string_view key) {
    key = trimmed(key);
    return key.size() == 3 && (key[0] | 0x20) == 'p' && (key[1] | 0x20) == 'w' && (key[2] | 0x20) == 'd';
}

// The secrets an application writes: each `pwd` value, a braced one with the pieces that follow
// up to the one that closes it.
std::vector<std::string> secrets_of(std::string_view text, char separator) {
    std::vector<std::string> secrets;
    std::vector<std::string_view> segments;
    settings::for_each_segment(text, separator, [&](std::string_view s) { segments.push_back(s); });
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const auto [key, value] = settings::split_segment(segments[i]);
        if (!is_pwd(key)) continue;
        std::string secret(value);
        const bool braced = !value.empty() && trimmed(value).starts_with('{') && !segments[i].ends_with('}');
        if (braced)
            while (i + 1 < segments.size()) {
                secret += separator;
                secret += segments[++i];
                if (segments[i].ends_with('}')) break;
            }
        secrets.push_back(std::move(secret));
    }
    return secrets;
}

constexpr std::string_view own_words =
    "connection string: not support key '' with value: '' [Error] [Info]  "
    "[Debug] *** 0123456789\n";

bool has_own_byte(std::string_view piece, std::string_view text) {
    for (const char c : piece) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || own_words.find(c) != std::string_view::npos) continue;
        const auto in_piece = std::count(piece.begin(), piece.end(), c);
        if (std::count(text.begin(), text.end(), c) == in_piece) return true;
    }
    return false;
}

void check_secrets_stay_out(std::string_view text, char separator, const std::string& log) {
    for (const auto& secret : secrets_of(text, separator)) {
        for (const auto& piece : {secret, std::string(trimmed(secret))}) {
            // A piece the log can only hold by writing the secret: it occurs once in the text and
            // holds a byte that no other part of the text, no lower-cased key and none of the
            // log's own words can contribute.
            if (piece.empty() || text.find(piece) != text.rfind(piece)) continue;
            if (!has_own_byte(piece, text)) continue;
            FUZZ_CHECK(log.find(piece) == std::string::npos);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const bool as_attribute_list = (in.take<std::uint8_t>() & 1) != 0;
    const std::string_view text = in.rest();
    auto& lg = logger::instance();
    lg.set_level(logger::level::debug);
    lg.configure(log_directory(), 0, 0);

    if (as_attribute_list) {
        // The list as the installer hands it over: its entries and the terminating pair.
        std::string list(text);
        list.append(2, '\0');
        const auto entries = setup_ops::attribute_list_text(list.c_str());
        if (entries) {
            FUZZ_CHECK(entries->size() + 2 <= list.size());
            const auto parsed = settings::parse_pairs(*entries, '\0');
            for (const auto& [key, value] : parsed) FUZZ_CHECK(settings::is_accepted_key(key));
            check_secrets_stay_out(*entries, '\0', read_and_clear_log());
        }
        (void)read_and_clear_log();
        return 0;
    }

    // What SQLDriverConnect logs and answers.
    const auto parsed = settings::parse_pairs(text, ';');
    log_line(logger::level::info, "connection string: {}", settings::masked_connection_string(text, ';'));
    for (const auto& [key, value] : parsed) {
        FUZZ_CHECK(settings::is_accepted_key(key));
        log_line(logger::level::debug, "{}: {}", key, settings::masked_value(key, value));
    }
    const std::string out = settings::output_connection_string(parsed);
    if (const auto pwd = parsed.find("pwd"); pwd != parsed.end())
        FUZZ_CHECK(out.find("pwd=" + pwd->second + ";") != std::string::npos);
    check_secrets_stay_out(text, ';', read_and_clear_log());
    return 0;
}
