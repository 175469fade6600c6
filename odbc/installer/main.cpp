#include <exception>
#include <span>

#include "installer_commands.hpp"

int main(int argc, char** argv) {
    try {
        const installer_tool::odbcinst_library odbcinst;
        const std::size_t count = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
        return installer_tool::run(std::span<const char* const>(argv + (argc > 0 ? 1 : 0), count), odbcinst);
    } catch (const std::exception&) {
        // Standard output could not be written: nothing more can be said.
        return installer_tool::exit_failure;
    }
}
