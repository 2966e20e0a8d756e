// The fixture file helpers both platforms share; the folder itself is in temp_folder_<platform>.
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void MakeFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    ASSERT_FALSE(error) << "cannot create " << path << ": " << error.message();
}
