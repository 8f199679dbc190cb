// The headless mode.
#include "app/headless.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "app/activity_log.h"
#include "app/main_window.h"
#include "app/settings.h"
#include "app/update_cycle.h"
#include "platform/codepage.h"
#include "platform/events.h"
#include "platform/toolkit.h"

namespace {

constexpr int kExitFailedLine = 1;
constexpr int kExitRefused = 2;

// The terminal speaks UTF-8 with LF line ends.
void write_to(std::FILE* stream, const Text& gbk) {
    Text utf8 = gbk_to_utf8_text(replace_text(gbk, "\r\n", "\n"));
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace

int run_headless(int argc, char** argv) {
    Application application(argc, argv, /*headless=*/true);
    set_log_sink([](const Text& piece) { write_to(stdout, piece); });

    // The first check runs before the message loop, where quitting it does nothing:
    // the first exit asked for is kept and honoured once the start is over.
    std::optional<int> exit_code;
    auto quit = [&exit_code](int code) {
        if (!exit_code) {
            exit_code = code;
        }
        quit_main_loop(*exit_code);
    };

    std::vector<Text> start_messages;
    bool starting = true;
    UpdateCycle::Halt cycle_halt = UpdateCycle::Halt::none;
    UpdateCycle* running_cycle = nullptr;
    set_message_sink([&](const Text& text) {
        cycle_halt = running_cycle != nullptr ? running_cycle->last_halt() : cycle_halt;
        if (starting) {
            start_messages.push_back(text);
            return;
        }
        write_to(stderr, text + "\n");
        quit(cycle_halt == UpdateCycle::Halt::settings_needed ? kExitRefused : kExitFailedLine);
    });

    initialise_settings_and_log(/*mask_secret=*/true);
    settings().is_running = 0;
    Timer timer("时钟1");
    UpdateCycle cycle(timer);
    running_cycle = &cycle;
    timer.on_tick([&cycle] { cycle.check(); });
    on_termination_signal([&cycle, &quit] {
        cycle.stop();
        quit(0);
    });

    bool started = cycle.start();
    starting = false;
    for (const Text& text : start_messages) {
        write_to(stderr, text + "\n");
    }
    if (!started) {
        // Say which file to complete: a service's settings file is easy to lose track of.
        // The path is the system's own bytes, not GBK text.
        std::fprintf(stderr, "ddns: settings file: %s\n", settings_file_path().c_str());
        return kExitRefused;
    }
    if (!start_messages.empty()) {
        // The first check found no address, or the settings or account must change.
        quit(cycle_halt == UpdateCycle::Halt::settings_needed ? kExitRefused : kExitFailedLine);
    }
    if (exit_code) {
        return *exit_code;
    }
    int code = run_main_loop();
    set_log_sink(nullptr);
    set_message_sink(nullptr);
    return code;
}
