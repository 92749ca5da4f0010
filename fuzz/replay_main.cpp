// Runs a fuzz target over saved inputs without libFuzzer, so that the seed corpora
// and every crash ever found replay as ordinary tests in any build (GCC, ASan,
// valgrind).
//
//   <program> <file or folder>...
//
// Every regular file named, and every regular file in every folder named, is read
// whole and handed to LLVMFuzzerTestOneInput once, in name order. The target
// reports a fault by aborting; this program fails itself when it finds nothing to
// run, so that a misplaced corpus cannot pass as green.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path named(argv[i]);
        std::error_code error;
        if (fs::is_directory(named, error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(named, error)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(named, error)) {
            inputs.push_back(named);
        } else {
            std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no inputs found\n");
        return 2;
    }
    std::size_t bytes = 0;
    for (const fs::path& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.string().c_str());
            return 2;
        }
        const std::vector<char> content((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
        bytes += content.size();
        // A copy of exactly the file's size, so that a read past the end is caught.
        std::vector<uint8_t> data(content.begin(), content.end());
        LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
    }
    std::printf("replay: %zu inputs, %zu bytes, no fault\n", inputs.size(), bytes);
    return 0;
}
