// The public IP probe: fetches an IP line's page and takes the first address that
// stands alone in it. Results other than an address are the two sentinels below.
#pragma once

#include "base/text.h"

inline const Text kLineFailed = "线路失效";
inline const Text kLineEmpty = "线路api为空";

// Probes the selected line of the settings (kLineEmpty when none is selected).
Text probe_public_ip();
Text probe_ip_line(const Text& url);

// The probe's time-outs in milliseconds. Tests shorten them to try a silent line
// quickly; the default argument restores the real ones.
struct ProbeTimeouts {
    int resolve_ms = 15000;
    int connect_ms = 15000;
    int send_ms = 15000;
    int receive_ms = 30000;
    int deadline_ms = 35000;  // the whole probe, redirect hops included
};
void set_probe_timeouts_for_testing(const ProbeTimeouts& timeouts = ProbeTimeouts());
