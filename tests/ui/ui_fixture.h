// A clean program state for the settings windows' tests: the application
// fixture plus the activity log's lines collected without their time stamps.
#pragma once

#include <vector>

#include "app/activity_log.h"
#include "platform/toolkit.h"
#include "support/app_fixture.h"

class UiFixture : public AppFixture {
  protected:
    void SetUp() override {
        AppFixture::SetUp();
        set_log_sink([this](const Text& piece) {
            if (piece == "\r\n") {
                return;
            }
            int colon = find_text(piece, "：");
            logged_.push_back(colon < 0 ? piece : mid_text(piece, colon + 2));
        });
    }

    // The file as the windows left it; empty when they wrote nothing.
    std::string file_text() const { return read_file_bytes(settings_path()); }

    std::vector<Text> logged_;
};

struct Place {
    Control* control;
    int x, y, width, height;
};

inline void expect_places(const std::vector<Place>& places) {
    for (const Place& p : places) {
        int x, y, w, h;
        p.control->geometry(x, y, w, h);
        EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{p.x, p.y, p.width, p.height}))
            << p.control->name();
    }
}
