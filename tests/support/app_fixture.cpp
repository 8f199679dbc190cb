// A clean program state for tests of the application.
#include "support/app_fixture.h"

#include "app/activity_log.h"
#include "app/settings.h"
#include "platform/events.h"
#include "platform/toolkit.h"

void AppFixture::SetUp() {
    settings() = Settings();
    set_settings_file_override(settings_path());
    set_message_sink([this](const Text& text) { messages_.push_back(text); });
}

void AppFixture::TearDown() {
    set_message_sink(nullptr);
    set_log_sink(nullptr);
    set_modal_hook(nullptr);
    set_settings_file_override("");
    settings() = Settings();
}
