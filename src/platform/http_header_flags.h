// How a request header line is added: the values of the system's flags, shared by the
// transport and WinHttpClient's table.
#pragma once

constexpr unsigned kHttpHeaderAddIfNew = 0x10000000;
constexpr unsigned kHttpHeaderAdd = 0x20000000;
constexpr unsigned kHttpHeaderReplace = 0x80000000;
