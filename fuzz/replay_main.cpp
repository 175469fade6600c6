// Runs a fuzz target once over each file named on the command line, and over every file of each
// directory named: the seed corpora and the inputs of crashes found earlier, as a regression
// test built by the ordinary compiler. A fault aborts under the sanitizers or fails a check.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void run_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that reading past it is caught.
    const std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) {
                    run_file(entry.path());
                    ++runs;
                }
        } else {
            run_file(path);
            ++runs;
        }
    }
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("%zu inputs ran\n", runs + 1);
    return runs > 0 ? 0 : 1;
}
