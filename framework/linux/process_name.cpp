#include "process_name.h"

namespace framework::backend {
namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";

std::string_view LastPathElement(std::string_view path) {
    const std::string_view::size_type slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string BareExecutableName(const std::optional<std::string>& exeLink,
                               std::string_view commandLine, std::string_view comm) {
    if (exeLink && !exeLink->empty()) {
        std::string_view target = *exeLink;
        if (target.ends_with(kDeletedSuffix)) target.remove_suffix(kDeletedSuffix.size());
        return std::string(LastPathElement(target));
    }
    const std::string_view firstWord = commandLine.substr(0, commandLine.find('\0'));
    if (const std::string_view name = LastPathElement(firstWord); !name.empty()) {
        return std::string(name);
    }
    if (comm.find('/') != std::string_view::npos) return {};
    return std::string(comm);
}

}  // namespace framework::backend
