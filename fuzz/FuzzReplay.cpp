// Replays corpus files through a fuzz target without libFuzzer, so the sanitizer build with the
// project's own compiler runs every seed on each test run.
// Usage: fuzz_<target> FILE_OR_FOLDER...

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int Replay(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<char> bytes { std::istreambuf_iterator<char>(file),
        std::istreambuf_iterator<char>() };
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int failures = 0;
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    failures += Replay(entry.path());
                    ++replayed;
                }
            }
        } else {
            failures += Replay(path);
            ++replayed;
        }
    }
    // An empty corpus would make the test pass without running the target.
    if (replayed == 0) {
        std::fprintf(stderr, "no input files\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
