#include "writer/resource_location.h"

#include <filesystem>

std::vector<std::string> resourceCandidates(const std::string &ownFolder) {
    if (ownFolder.empty())
        return {};
    std::filesystem::path own(ownFolder);
    return {(own.parent_path() / "resources").string(), (own.parent_path().parent_path() / "pack-resources").string()};
}

std::string findResources(const std::vector<std::string> &candidates) {
    for (const std::string &candidate : candidates) {
        std::error_code failure;
        if (std::filesystem::is_regular_file(std::filesystem::path(candidate) / "znoruntime.jar", failure))
            return candidate;
    }
    return std::string();
}
