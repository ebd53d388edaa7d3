#pragma once

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// Compares a run's text with the file kept under testdata/. With
// GLOAM_UPDATE_GOLDEN=1 the file is rewritten first (by the one run that may
// when several compare with it), for review in the diff.
inline void expectKeptText(const std::string& relative, const std::string& text, bool mayRewrite = true)
{
    const std::string path = testDataPath(relative);
    if (mayRewrite && std::getenv("GLOAM_UPDATE_GOLDEN"))
        std::ofstream(path, std::ios::binary) << text;
    std::ifstream in(path, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(kept.empty()) << path << " is missing; run with GLOAM_UPDATE_GOLDEN=1";
    EXPECT_EQ(text, kept) << path;
}
