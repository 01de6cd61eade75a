#pragma once
// Helpers shared by the tests: scratch folders, small files, and running the
// programs as a user would (stdin closed, output captured, exit status).
#include <filesystem>
#include <string>

namespace testing_support {

// A fresh empty folder under the system's temp folder, removed on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void write_file(const std::filesystem::path& file, const std::string& content);
std::string read_file(const std::filesystem::path& file);

struct RunResult {
  int exit_status = -1;
  std::string output;  // standard output and standard error, interleaved
};

// Runs `program args` inside `workdir` with standard input from /dev/null.
RunResult run_program(const std::string& program, const std::string& args,
                      const std::filesystem::path& workdir);

}  // namespace testing_support
