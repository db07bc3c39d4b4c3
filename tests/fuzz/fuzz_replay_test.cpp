// Replays a fuzz target's seed corpus and the inputs that once broke something through the
// target's entry point; a fault shows as a crash or a sanitizer report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The fuzz target this program replays: the program is named fuzz_replay_<target>.
std::string TargetName()
{
  std::error_code ec;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
  const std::string prefix = "fuzz_replay_";
  return self.rfind(prefix, 0) == 0 ? self.substr(prefix.size()) : self;
}

std::vector<std::filesystem::path> Inputs(const char* kind)
{
  const char* root = std::getenv("ORBEX_SOURCE_DIR");
  std::vector<std::filesystem::path> files;
  if (!root) return files;
  const std::filesystem::path dir = std::filesystem::path(root) / "fuzz" / kind / TargetName();
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

void Replay(const std::vector<std::filesystem::path>& files)
{
  for (const auto& f : files)
  {
    SCOPED_TRACE(f.string());
    std::ifstream in(f, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
}

TEST(FuzzReplay, SeedCorpus)
{
  const auto files = Inputs("corpus");
  ASSERT_FALSE(files.empty()) << "no seeds for " << TargetName();
  Replay(files);
}

TEST(FuzzReplay, KeptInputs) { Replay(Inputs("regress")); }

} // namespace
