#pragma once
// Whole-file output that never leaves a torn file behind: the content goes
// to a temporary file in the target's folder, which is then renamed over the
// target. A run that dies half way leaves the previous file as it was, never
// a partial or over-long one. The temporary goes too when the run ends by an
// exception, a write failure or a termination signal (see below); only a
// crash, SIGKILL or a temporary name over 4095 bytes leaves it behind.
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string_view>

namespace sim {

// Replaces `target` with exactly `content` (bytes, written unchanged).
void replace_file(const std::filesystem::path& target, std::string_view content);

// Replaces `target` with what `write` puts into the stream (text files that
// are produced line by line). The stream is binary: "\n" stays "\n".
//
// A failed open, write, close or rename stops the run through ERRSTOP with
// " Cannot write file " and the file name; the target keeps its old content
// and the temporary file is removed. An exception thrown by `write` leaves
// the target unchanged too and is passed on.
void replace_file(const std::filesystem::path& target,
                  const std::function<void(std::ostream&)>& write);

// Makes SIGTERM, SIGINT and SIGHUP remove the temporary file that
// replace_file is writing at that moment, then end the process by the same
// signal (the shell still sees the signal status). A signal that was ignored
// when the program started stays ignored. Called once from each program's
// entry, before any file is written.
void remove_temporary_file_on_termination_signals();

}  // namespace sim
