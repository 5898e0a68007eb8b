// Fetching the cloud configuration document.
#pragma once

#include <string>

#include "app/CloudConfig.h"

// Fetches the document at `url` with HttpGet and parses it into `config`.
bool FetchConfigFrom(const std::string& url, CloudConfig& config);

// Fetches "http://<configuration host>/kestrin_1_0.ini" into g_cloudConfig; true on success.
bool FetchConfig();
