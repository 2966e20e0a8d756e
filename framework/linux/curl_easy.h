// Owning handles for libcurl.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace framework::backend {

struct CurlEasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyCleanup>;

// Initialises libcurl once for the process (it is never cleaned up: other code may still
// use it at exit). false when that failed.
bool CurlReady();

}  // namespace framework::backend
