// The bare executable name of one process, from what /proc tells of it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace framework::backend {

// exeLink: the target of the exe link, when it could be read; commandLine: the raw contents
// of cmdline (NUL-separated words); comm: the kernel's short name. The name is the last path
// element of the link (without the suffix the kernel adds for a deleted file), else that of
// the first command-line word, else comm when it is a bare name. Empty when the process has no
// bare name: a short name with a folder part (kernel threads, names set with prctl) is none.
std::string BareExecutableName(const std::optional<std::string>& exeLink,
                               std::string_view commandLine, std::string_view comm);

}  // namespace framework::backend
