#include "common/replace_file.hpp"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
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

// The temporary file being written, for the termination signal handler.
// This is process-wide state because a handler can reach nothing else, and
// it is a fixed buffer plus a sig_atomic_t flag because that is all a
// handler may safely read. The flag is set only while the buffer holds a
// complete name of a temporary that may exist; a name too long for the
// buffer is not armed, and such a temporary stays behind on a signal. One
// slot is enough: the programs rewrite one file at a time, on one thread.
constexpr std::size_t kArmedNameCapacity = 4096;
std::array<char, kArmedNameCapacity> armed_name{};
volatile std::sig_atomic_t name_armed = 0;

void arm_for_signals(const fs::path& temporary) {
  name_armed = 0;
  const std::string& name = temporary.native();
  if (name.size() >= armed_name.size()) return;
  // The fences keep the compiler from moving the byte copy across the flag
  // stores: the handler must never see the flag set over a half-copied name.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::copy(name.begin(), name.end(), armed_name.begin());
  armed_name[name.size()] = '\0';
  std::atomic_signal_fence(std::memory_order_seq_cst);
  name_armed = 1;
}

void disarm_for_signals() { name_armed = 0; }

constexpr std::array<int, 3> kTerminationSignals = {SIGTERM, SIGINT, SIGHUP};

// Async-signal-safe calls only. The name may already have been renamed or
// removed; unlink then fails with ENOENT, which is harmless. The signal is
// raised again with its default action so that the process still dies by it.
void remove_armed_temporary_and_die(int signo) {
  if (name_armed) ::unlink(armed_name.data());
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signo, &default_action, nullptr);
  raise(signo);
  // The signal is blocked while its handler runs: unblock it to die here.
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signo);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
}

void install_unless_ignored(int signo) {
  struct sigaction current {};
  if (sigaction(signo, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = remove_armed_temporary_and_die;
  sigemptyset(&action.sa_mask);
  for (int other : kTerminationSignals) sigaddset(&action.sa_mask, other);
  sigaction(signo, &action, nullptr);
}

// Removes the temporary file unless it was renamed onto the target. The
// name is armed for the signal handler for exactly the object's lifetime,
// which starts before the file is created and ends after the rename or the
// removal.
class TemporaryFile {
 public:
  explicit TemporaryFile(fs::path path) : path_(std::move(path)) { arm_for_signals(path_); }
  ~TemporaryFile() {
    if (!committed_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
    disarm_for_signals();
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

void remove_temporary_file_on_termination_signals() {
  for (int signo : kTerminationSignals) install_unless_ignored(signo);
}

void replace_file(const fs::path& target, std::string_view content) {
  replace_file(target, [content](std::ostream& out) {
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  });
}

}  // namespace sim
