#pragma once
// A fresh folder per test for the tools' tests: files are written into it and the built tools
// run on them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/binary_io.h"

namespace tv {

inline std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ToolTestDir : public ::testing::Test {
  protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(TERRAVIK_TEST_TMP) / (std::string(test->test_suite_name()) + "-" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "3DOBJEKT");
    }

    std::string Put(const std::string& rel, const std::vector<uint8_t>& bytes) {
        const std::filesystem::path p = dir_ / rel;
        WriteWholeFile(p.string(), bytes);
        return p.string();
    }

    std::filesystem::path dir_;
};

}  // namespace tv
