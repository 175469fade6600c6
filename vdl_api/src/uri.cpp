#include "uri.hpp"

#include "column_types.hpp"
#include "vdl_api.h"

#include <fmt/format.h>

namespace vdl {
namespace {

constexpr std::string_view expected_forms = "expected file:PATH, file:///ABSOLUTE/PATH or vdl://HOST:PORT";

failure bad(std::string_view uri, std::string_view why) {
    return failure{VDL_E_BAD_URI, fmt::format("'{}': {}", uri, why)};
}

int hex_value(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_alpha(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

outcome<location> parse_file(std::string_view uri, std::string_view rest) {
    if (rest.find_first_of("?#") != std::string_view::npos)
        return bad(uri, "query (?) and fragment (#) parts are not supported; write ? as %3F and # as %23");
    if (rest.starts_with("//")) {
        const auto slash = rest.find('/', 2);
        const auto host = rest.substr(2, slash == std::string_view::npos ? std::string_view::npos : slash - 2);
        if (!host.empty() && !iequals(host, "localhost"))
            return bad(uri, fmt::format("a store is a local file; the host '{}' is not supported", host));
        if (slash == std::string_view::npos) return bad(uri, "the store path is missing");
        rest = rest.substr(slash);
    }
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? hex_value(rest[i + 1]) : -1;
        const int low = i + 2 < rest.size() ? hex_value(rest[i + 2]) : -1;
        if (high < 0 || low < 0) return bad(uri, "'%' must be followed by two hexadecimal digits");
        const char decoded = static_cast<char>(high * 16 + low);
        if (decoded == '\0') return bad(uri, "the path holds a zero byte (%00)");
        path += decoded;
        i += 2;
    }
    if (path.empty()) return bad(uri, fmt::format("the store path is missing; {}", expected_forms));
    if (path.back() == '/') return bad(uri, "the path names a directory, not a store file");
    // The engine gives ":memory:" a special meaning; this is a file name.
    if (path.front() == ':') path.insert(0, "./");
    return location{store_location{std::move(path)}};
}

outcome<location> parse_cluster(std::string_view uri, std::string_view rest) {
    if (!rest.starts_with("//")) return bad(uri, "expected // after vdl:, as in vdl://HOST:PORT");
    auto authority = rest.substr(2);
    if (const auto slash = authority.find('/'); slash != std::string_view::npos) {
        if (slash + 1 != authority.size()) return bad(uri, "a cluster URI has no path");
        authority = authority.substr(0, slash);
    }
    if (authority.find('@') != std::string_view::npos)
        return bad(uri, "credentials do not belong in the URI; set them as options");
    std::string_view host;
    std::string_view port_text;
    if (authority.starts_with("[")) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) return bad(uri, "unterminated [ in the host");
        host = authority.substr(1, close - 1);
        const auto after = authority.substr(close + 1);
        if (!after.empty() && !after.starts_with(":")) return bad(uri, "expected ':' and a port after ']'");
        if (!after.empty()) port_text = after.substr(1);
        for (char c : host)
            if (!(hex_value(c) >= 0 || c == ':' || c == '.')) return bad(uri, "malformed IPv6 address");
    } else {
        const auto colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string_view::npos) port_text = authority.substr(colon + 1);
        for (char c : host)
            if (!(is_alpha(c) || is_digit(c) || c == '.' || c == '-' || c == '_'))
                return bad(uri, fmt::format("'{}' is not a valid host name", host));
        if (colon != std::string_view::npos && port_text.empty()) return bad(uri, "the port after ':' is missing");
    }
    if (host.empty()) return bad(uri, "the host is missing");
    std::uint32_t port = default_cluster_port;
    if (!port_text.empty() || authority.ends_with(":")) {
        if (port_text.empty() || port_text.size() > 5) return bad(uri, "the port is a number from 1 to 65535");
        port = 0;
        for (char c : port_text) {
            if (!is_digit(c)) return bad(uri, "the port is a number from 1 to 65535");
            port = port * 10 + static_cast<std::uint32_t>(c - '0');
        }
        if (port == 0 || port > 65535) return bad(uri, "the port is a number from 1 to 65535");
    }
    return location{cluster_address{std::string(host), static_cast<std::uint16_t>(port)}};
}

}  // namespace

outcome<location> parse_uri(std::string_view uri) {
    if (uri.empty()) return failure{VDL_E_BAD_URI, fmt::format("the URI is empty; {}", expected_forms)};
    const auto colon = uri.find(':');
    bool scheme_ok = colon != std::string_view::npos && colon > 0 && is_alpha(uri[0]);
    for (std::size_t i = 1; scheme_ok && i < colon; ++i)
        scheme_ok = is_alpha(uri[i]) || is_digit(uri[i]) || uri[i] == '+' || uri[i] == '-' || uri[i] == '.';
    if (!scheme_ok) return bad(uri, fmt::format("no scheme; {}", expected_forms));
    const auto scheme = uri.substr(0, colon);
    const auto rest = uri.substr(colon + 1);
    if (iequals(scheme, "file")) return parse_file(uri, rest);
    if (iequals(scheme, "vdl")) return parse_cluster(uri, rest);
    return bad(uri, fmt::format("unsupported scheme '{}'; {}", scheme, expected_forms));
}

}  // namespace vdl
