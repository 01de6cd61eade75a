// Devora ended by SIGTERM, SIGINT or SIGHUP while it rewrites its output
// files: it dies by that signal, no temporary file stays behind, and the
// files it had written are whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/dop3d.hpp"
#include "support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::ScratchDir;
using testing_support::write_file;

void replace_in(std::string& text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// The example transistor on a finer mesh with many bias points, writing its
// solution file after every Gummel iteration: a run of ten seconds or so that
// rewrites a file almost all the time.
std::string busy_deck() {
  std::string deck = read_file(fs::path(EXAMPLES_DIR) / "mos.INP");
  replace_in(deck, "NX=41 NY=31", "NX=81 NY=61");
  replace_in(deck, "BATC=1 GUMM=200", "BATC=2 GUMM=200");
  replace_in(deck, "NPNT=11 VSTE=0.2", "NPNT=100 VSTE=0.02");
  return deck;
}

// Starts Devora on MOS.INP in `dir` with stdin and stdout on /dev/null and
// the termination signals at their defaults (whatever the test runner set).
pid_t start_devora(const fs::path& dir, bool ignore_hangup) {
  const std::string folder = dir.string();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signo : {SIGTERM, SIGINT, SIGHUP}) signal(signo, SIG_DFL);
  if (ignore_hangup) signal(SIGHUP, SIG_IGN);
  const int null = open("/dev/null", O_RDWR);
  if (null < 0 || chdir(folder.c_str()) != 0) _exit(127);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  execl(DEVORA_EXE, DEVORA_EXE, "MOS.INP", static_cast<char*>(nullptr));
  _exit(127);
}

bool is_temporary(const fs::path& file) {
  return file.filename().string().find(".tmp") != std::string::npos;
}

// Polls `dir` until a temporary file shows (at most `limit`), so that the
// signal lands while a file is being rewritten, not only between rewrites.
void wait_for_temporary(const fs::path& dir, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < until) {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir, ignored))
      if (is_temporary(entry.path())) return;
  }
}

// GUMRES.2dg states its iteration count in its third line; a torn or mixed
// file does not have that many rows after the four header lines.
bool history_is_whole(const fs::path& file) {
  std::istringstream in(read_file(file));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  int columns = 0;
  std::size_t rows = 0;
  if (lines.size() < 4 || !(std::istringstream(lines[2]) >> columns >> rows)) return false;
  return lines.size() == 4 + rows;
}

void expect_clean_folder(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_FALSE(is_temporary(entry.path())) << entry.path();
  if (fs::exists(dir / "GUMRES.2dg")) {
    EXPECT_TRUE(history_is_whole(dir / "GUMRES.2dg"));
  }
  if (fs::exists(dir / "MOS.3D")) {
    EXPECT_NO_THROW(sim::read_dop3d(dir / "MOS.3D"));
  }
}

TEST(ReplaceFileSignals, TerminatedRunDiesBySignalAndLeavesNoTemporary) {
  const std::string deck = busy_deck();
  const std::vector<int> delays_ms = {50, 150, 300, 450, 650, 900, 1200, 1500};
  const std::array<int, 3> signals = {SIGTERM, SIGINT, SIGHUP};
  for (std::size_t run = 0; run < delays_ms.size(); ++run) {
    const int signo = signals[run % 3];
    SCOPED_TRACE("signal " + std::to_string(signo) + " after " + std::to_string(delays_ms[run]) +
                 " ms");
    ScratchDir dir;
    write_file(dir / "MOS.INP", deck);
    const pid_t pid = start_devora(dir.path(), false);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delays_ms[run]));
    wait_for_temporary(dir.path(), std::chrono::milliseconds(300));
    kill(pid, signo);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signo) << "status " << status;
    expect_clean_folder(dir.path());
  }

  // A hangup ignored at start (nohup) stays ignored.
  ScratchDir dir;
  write_file(dir / "MOS.INP", deck);
  const pid_t pid = start_devora(dir.path(), true);
  ASSERT_GT(pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(pid, SIGHUP);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "ended by the hangup, status " << status;
  kill(pid, SIGTERM);
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
}

}  // namespace
