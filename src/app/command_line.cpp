// Reading the command line.
#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"

CommandLine parse_command_line(int argc, char** argv, const char* program) {
    CommandLine line;
    line.program = program;
    for (int i = 1; i < argc && line.error.empty(); ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            line.help = true;
        } else if (std::strcmp(a, "--version") == 0) {
            line.version = true;
        } else if (std::strcmp(a, "--headless") == 0) {
            line.headless = true;
        } else if (std::strcmp(a, "--once") == 0) {
            line.once = true;
            line.headless = true;
        } else if (std::strcmp(a, "--demo-fast") == 0) {
            line.demo_fast = true;
        } else if (std::strcmp(a, "--config") == 0 && i + 1 < argc) {
            line.config = argv[++i];
        } else {
            line.error = a;
        }
    }
    return line;
}

Text usage_text(const char* program) {
    const bool daemon = std::strcmp(program, "ddnsd") == 0;
    Text usage =
        Text("Usage: ") + program +
        (daemon ? " [--once] [--config FILE]\n" : " [--headless] [--once] [--config FILE]\n");
    usage +=
        "Keeps one A record of an Alibaba Cloud DNS domain pointed at this machine's\n"
        "public IPv4 address.\n"
        "\n";
    if (!daemon) {
        usage +=
            "  --headless     run without a window (as ddnsd does): log to standard output,\n"
            "                 check every 60 s\n";
    }
    usage +=
        "  --once         one check, then exit: 0 updated or in sync, 1 no address,\n"
        "                 2 settings or account must change, 3 a passing failure\n"
        "  --config FILE  use FILE as the settings file\n"
        "  --help         show this text\n"
        "  --version      show the version\n"
        "\n"
        "Running, it exits 0 on SIGTERM/SIGINT/SIGHUP, 1 when the IP line fails, 2 when\n"
        "the settings are incomplete or the key, account or record must change.\n"
        "Environment: DDNS_API_URL overrides the DNS API endpoint\n"
        "(default https://alidns.aliyuncs.com/).\n";
    return usage;
}

bool apply_command_line(const CommandLine& line, int& exit_code) {
    const char* program = line.program;
    if (!line.error.empty()) {
        std::fprintf(stderr, "%s: unknown argument: %s\n\n%s", program, line.error.c_str(),
                     usage_text(program).c_str());
        exit_code = 2;
        return false;
    }
    if (line.help) {
        std::fputs(usage_text(program).c_str(), stdout);
        exit_code = 0;
        return false;
    }
    if (line.version) {
        std::printf("%s %s\n", program, DDNS_VERSION);
        exit_code = 0;
        return false;
    }
    if (!line.config.empty()) {
        set_settings_file_override(line.config);
    }
    return true;
}
