// Credentials given through the option calls. Secrets are wiped from memory when they
// are replaced or the handle goes away.
#pragma once

#include <string>
#include <string_view>

namespace vdl {

class secret {
public:
    secret() = default;
    explicit secret(std::string_view text) : text_(text) {}
    secret(const secret&) = delete;
    secret& operator=(const secret&) = delete;
    secret& operator=(std::string_view text);
    ~secret();

    [[nodiscard]] std::string_view view() const noexcept { return text_; }
    [[nodiscard]] bool empty() const noexcept { return text_.empty(); }

private:
    void wipe() noexcept;
    std::string text_;
};

struct credentials {
    std::string user_name;
    secret user_private_key;
    secret cluster_public_key;

    [[nodiscard]] bool secure() const noexcept {
        return !user_name.empty() || !user_private_key.empty() || !cluster_public_key.empty();
    }
};

}  // namespace vdl
