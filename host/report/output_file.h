// Every file kest-host writes (the JUnit and HTML reports, record files, the
// console's history) goes through this one module, with one set of rules:
//
// - "-" and "/dev/stdout" are standard output, written directly.
// - Any other output must be a regular file or not exist yet; a folder, a FIFO or a
//   device is refused.
// - A symbolic link is followed to the file it finally names, and that file is
//   written; the link stays as it is. A link whose target does not exist makes the
//   target.
// - A file is replaced atomically: the new content goes to a temporary file in the
//   target's folder, is flushed to the disk, takes the old file's permissions and is
//   renamed over it. After any failure, and after SIGINT, SIGTERM or SIGHUP during
//   the write, the old file is intact and no temporary file is left (only SIGKILL
//   can leave one, never a damaged target).
// - Errors name the file and the system's reason ("No space left on device").
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kest_host::report {

// True for the names that mean standard output.
bool is_standard_output(const std::string& path);

// The file a path finally names: symbolic links followed (at most 40), relative link
// texts taken from the link's folder. The path itself when it is no link.
std::string final_target(const std::string& path);

// True when `path` could be written by write_output_file: standard output, or a
// regular file (or none yet) in a folder where a file can be made. Nothing is left
// behind. On failure `error` is "cannot write PATH: REASON".
bool probe_output_path(const std::string& path, std::string& error);

// Writes `content` to `path` as the rules above say; false with `error`.
bool write_output_file(const std::string& path, const std::string& content, std::string& error);

// The same for content that another writer puts into a file by name (a library's
// "save to file"): `fill` is given the temporary file's name and returns false when it
// failed.
bool replace_output_file(const std::string& path,
                         const std::function<bool(const std::string& temporary)>& fill,
                         std::string& error);

// An output as the command line names it: its option ("--junit") and its path.
struct named_output {
    std::string option;
    std::string path;
};

// Refuses outputs that would overwrite what the run reads or what another output
// writes: false with one message per clash in `errors` when an output is one of
// `inputs`, is named as an input is (with `by_name`) (*.scn, *.kest_ui, *.so, *.dll: a shell
// pattern such as `--junit sc/*.scn` puts a scenario there) or two outputs are the same file (by
// any name: links, "..", hard links; "-" and "/dev/stdout" are one).
bool outputs_are_distinct(const std::vector<named_output>& outputs,
                          const std::vector<std::string>& inputs, std::vector<std::string>& errors,
                          bool by_name = true);

}  // namespace kest_host::report
