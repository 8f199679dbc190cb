// What every request to the DNS API is made with, handed over by the caller: the
// endpoint and the AccessKey. Nothing in this layer reads the settings itself.
#pragma once

#include "base/text.h"

struct ApiAccess {
    Text endpoint;  // an HTTPS URL whose path is "/"
    Text access_key_id;
    Text access_secret;
};
