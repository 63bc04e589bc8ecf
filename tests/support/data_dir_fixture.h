// A test in an empty scratch directory of its own holding data/ and
// data/Lyrics/, with a bare GL context current and the message recorder on:
// the catalogue then finds exactly the images the test writes.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "support/test_support.h"
#include "support/working_directory.h"

class EmptyDataDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        inScratch.emplace(
            makeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories("data/Lyrics");
        ASSERT_TRUE(openTestGLContext());
        installMessageRecorder();
    }
    void TearDown() override {
        removeMessageRecorder();
        closeTestGLContext();
    }
    std::optional<ScopedWorkingDirectory> inScratch;  // left after TearDown
};
