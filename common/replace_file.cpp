#include "common/replace_file.hpp"

#include <atomic>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "common/fatal_stop.hpp"

namespace sim {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void cannot_write(const fs::path& target) {
  ERRSTOP(" Cannot write file " + target.string());
}

// A name beside the target that no other file has; the folder is the
// target's so that the final rename stays on one file system.
fs::path temporary_name_for(const fs::path& target) {
  static std::atomic<unsigned long> counter{0};
  static const unsigned long salt = [] {
    try {
      return static_cast<unsigned long>(std::random_device{}());
    } catch (...) {
      return 0UL;
    }
  }();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    fs::path candidate = target;
    candidate += ".tmp" + std::to_string(salt) + "-" + std::to_string(counter++);
    std::error_code ec;
    if (!fs::exists(candidate, ec) && !ec) return candidate;
  }
  cannot_write(target);
}

// Removes the temporary file unless it was renamed onto the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (committed_) return;
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const fs::path& path() const { return path_; }
  void commit() { committed_ = true; }

 private:
  fs::path path_;
  bool committed_ = false;
};

}  // namespace

void replace_file(const fs::path& target, const std::function<void(std::ostream&)>& write) {
  TemporaryFile temporary(temporary_name_for(target));
  {
    std::ofstream out(temporary.path(), std::ios::binary | std::ios::trunc);
    if (!out) cannot_write(target);
    write(out);
    out.flush();
    if (!out) cannot_write(target);
    out.close();
    if (out.fail()) cannot_write(target);
  }
  std::error_code ec;
  fs::rename(temporary.path(), target, ec);
  if (ec) cannot_write(target);
  temporary.commit();
}

void replace_file(const fs::path& target, std::string_view content) {
  replace_file(target, [content](std::ostream& out) {
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  });
}

}  // namespace sim
