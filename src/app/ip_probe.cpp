// The public IP probe.
#include "app/ip_probe.h"

#include "app/settings.h"

Text probe_public_ip() {
    const Settings& s = settings();
    if (s.current_line < 1 || s.current_line > 6) {
        return probe_ip_line(Text());
    }
    return probe_ip_line(s.line_urls[static_cast<std::size_t>(s.current_line)]);
}

Text probe_ip_line(const Text& url) {
    if (url.empty()) {
        return kLineEmpty;
    }
    return kLineFailed;
}
