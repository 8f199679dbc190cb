// A clean program state for tests of the application: a settings file in a
// temporary folder, a fresh settings record, and message boxes collected.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "base/text.h"
#include "support/temp_dir.h"

class AppFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string settings_path() const { return dir_.file("ddns_config.ini"); }

    TempDir dir_;
    std::vector<Text> messages_;  // texts of the message boxes shown
};
