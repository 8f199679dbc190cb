// The public IP probe: fetches an IP line's page and takes the first dotted quad
// in it. Results other than an address are the two sentinels below.
#pragma once

#include "base/text.h"

inline const Text kLineFailed = "线路失效";
inline const Text kLineEmpty = "线路api为空";

// Probes the selected line of the settings (kLineEmpty when none is selected).
Text probe_public_ip();
Text probe_ip_line(const Text& url);
