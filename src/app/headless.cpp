// The headless mode.
#include "app/headless.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "app/activity_log.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/update_cycle.h"
#include "platform/codepage.h"
#include "platform/event_loop.h"
#include "platform/events.h"

namespace {

constexpr int kExitFailedLine = 1;
constexpr int kExitRefused = 2;
constexpr int kExitTransient = 3;  // --once only

// The terminal speaks UTF-8 with LF line ends. A failed write (a reader gone) is ignored.
void write_to(std::FILE* stream, const Text& gbk) {
    Text utf8 = gbk_to_utf8_text(replace_text(gbk, "\r\n", "\n"));
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

int exit_code_of(UpdateCycle::Halt halt) {
    return halt == UpdateCycle::Halt::settings_needed ? kExitRefused : kExitFailedLine;
}

// The outcome of the one check of --once, for cron jobs and timers.
int once_exit_code(UpdateCycle::Outcome outcome) {
    switch (outcome) {
        case UpdateCycle::Outcome::line_failed:
            return kExitFailedLine;
        case UpdateCycle::Outcome::settings_needed:
            return kExitRefused;
        case UpdateCycle::Outcome::transient:
            return kExitTransient;
        default:
            return 0;
    }
}

}  // namespace

int run_headless(int argc, char** argv, const CommandLine& line) {
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

    Timer timer("时钟1");
    UpdateCycle cycle(timer);
    if (line.demo_fast) {
        cycle.set_check_period(kDemoCheckPeriodMs);
    }
    std::vector<Text> start_messages;
    bool starting = true;
    set_message_sink([&](const Text& text) {
        if (starting) {
            start_messages.push_back(text);
            return;
        }
        write_to(stderr, text + "\n");
        quit(exit_code_of(cycle.last_halt()));
    });

    initialise_settings_and_log(/*mask_secret=*/true);
    settings().is_running = 0;
    timer.on_tick([&cycle] { cycle.check(); });
    bool stopped = false;
    on_termination_signal([&cycle, &quit, &stopped] {
        stopped = true;
        cycle.stop();
        quit(0);
    });

    const bool started = cycle.start();
    // A stop that came during the first check, before any loop could take it.
    run_pending_termination_handler();
    starting = false;
    for (const Text& text : start_messages) {
        write_to(stderr, text + "\n");
    }
    if (!started) {
        // Say which file to complete: a service's settings file is easy to lose track of.
        // The path is the system's own bytes, not GBK text.
        std::fprintf(stderr, "%s: settings file: %s\n", line.program, settings_file_path().c_str());
        return kExitRefused;
    }
    if (line.once) {
        // A check cut short by a stop decided nothing: not "updated or in sync".
        return stopped ? kExitTransient : once_exit_code(cycle.last_outcome());
    }
    if (!start_messages.empty()) {
        // The first check found no address, or the settings or account must change.
        quit(exit_code_of(cycle.last_halt()));
    }
    if (exit_code) {
        return *exit_code;
    }
    int code = run_main_loop();
    set_log_sink(nullptr);
    set_message_sink(nullptr);
    return code;
}
