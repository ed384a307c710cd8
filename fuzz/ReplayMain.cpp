// Runs a fuzz target over inputs without libFuzzer, with any compiler: each file named on the
// command line, or each file of each folder named, once, in name order. The suite runs every
// target over its regression inputs this way, and tools/test-sanitizers does so under the
// sanitizers, where an input that breaks a reader again shows at once.
//   fuzz_replay_<target> FILE|FOLDER...
// Exit status: 0 when every input ran, 1 when there was none to run (a corpus that went missing).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> Inputs(const std::filesystem::path& path)
{
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(path)) {
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
    } else if (std::filesystem::is_regular_file(path)) {
        inputs.push_back(path);
    }
    return inputs;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    size_t ran = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::path& input : Inputs(argv[i])) {
            std::ifstream file(input, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
            std::printf("%s (%zu bytes)\n", input.string().c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++ran;
        }
    }
    std::printf("%zu inputs ran\n", ran);
    return ran > 0 ? 0 : 1;
}
