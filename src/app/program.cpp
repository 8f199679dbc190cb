// Start-up: reads the command line, then runs the main window or the headless mode.
#include "app/program.h"

#include <cstdio>
#include <cstring>

#include "app/headless.h"
#include "app/main_window.h"
#include "app/settings.h"
#include "platform/toolkit.h"

namespace {

const char kUsage[] =
    "Usage: ddns [--headless] [--config FILE]\n"
    "Keeps one A record of an Alibaba Cloud DNS domain pointed at this machine's\n"
    "public IPv4 address.\n"
    "\n"
    "  --headless     run without a window: log to standard output, check every 60 s;\n"
    "                 exit 0 on SIGTERM/SIGINT/SIGHUP, 1 when the IP line fails,\n"
    "                 2 when the settings are incomplete or the key, account or\n"
    "                 record must change\n"
    "  --config FILE  use FILE as the settings file instead of ddns_config.ini\n"
    "                 beside the executable\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "\n"
    "Environment: DDNS_API_URL overrides the DNS API endpoint\n"
    "(default https://alidns.aliyuncs.com/).\n";

}  // namespace

int run_program(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ddns %s\n", DDNS_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--config") == 0 && i + 1 < argc) {
            set_settings_file_override(argv[++i]);
        } else {
            std::fprintf(stderr, "ddns: unknown argument: %s\n\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (headless) {
        return run_headless(argc, argv);
    }
    Application application(argc, argv);
    MainWindow main_window;
    main_window.window().show_as_main();
    run_main_loop();
    return 0;
}
