// vdlsh: the command-line shell of the Vandrel client library.
#include "shell.hpp"

#include <unistd.h>

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return vdlsh::run_shell(arguments, {std::cin, std::cout, std::cerr, isatty(0) == 1, isatty(2) == 1});
}
