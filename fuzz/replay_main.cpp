// Runs a harness over saved inputs without libFuzzer: each argument is a file or a
// folder of files (a missing one holds nothing). A failed check aborts, so the test that
// runs this fails with the input's name as the last line printed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Replay(const std::filesystem::path& file) {
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    // Like libFuzzer: an empty input comes with a pointer that must not be read.
    LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path given = argv[i];
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(given)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(given)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
        } else if (std::filesystem::exists(given)) {
            files.push_back(given);
        } else {
            // The folder of saved crash inputs exists only once a fuzzer has found one.
            std::fprintf(stderr, "nothing at %s\n", argv[i]);
        }
        for (const auto& file : files) Replay(file);
        replayed += files.size();
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 2;
}
