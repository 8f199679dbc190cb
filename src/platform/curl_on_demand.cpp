// libcurl loaded when the first transfer needs it, not when the program starts. Debian's
// libcurl brings some thirty libraries (TLS, Kerberos, LDAP, SSH) whose loading and
// start-up code cost about 15 ms before main(); loaded here, the program's first log line
// comes at once and the cost moves to the first check. The functions below stand in for
// the libcurl functions the transport and the cookie store call, with the same names
// and types, and forward to the library opened with dlopen().
// The type-checking macros of curl.h would rename the definitions below.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

struct Library {
    void* handle = nullptr;
    CURLcode (*global_init)(long) = nullptr;
    curl_version_info_data* (*version_info)(CURLversion) = nullptr;
    CURL* (*easy_init)() = nullptr;
    void (*easy_cleanup)(CURL*) = nullptr;
    void (*easy_reset)(CURL*) = nullptr;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
    CURLM* (*multi_init)() = nullptr;
    CURLMcode (*multi_cleanup)(CURLM*) = nullptr;
    CURLMcode (*multi_add_handle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multi_remove_handle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multi_perform)(CURLM*, int*) = nullptr;
    CURLMcode (*multi_poll)(CURLM*, curl_waitfd*, unsigned, int, int*) = nullptr;
    CURLMsg* (*multi_info_read)(CURLM*, int*) = nullptr;
    curl_slist* (*slist_append)(curl_slist*, const char*) = nullptr;
    void (*slist_free_all)(curl_slist*) = nullptr;
    time_t (*getdate)(const char*, const time_t*) = nullptr;
};

template <typename Function>
void bind(void* handle, Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
}

// A program that cannot load libcurl cannot do its job at all: say so and stop, as the
// loader would have done at start-up.
const Library& library() {
    static Library lib;
    static std::once_flag once;
    std::call_once(once, [] {
        lib.handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (lib.handle == nullptr) {
            std::fprintf(stderr, "cannot load libcurl: %s\n", dlerror());
            std::abort();
        }
        bind(lib.handle, lib.global_init, "curl_global_init");
        bind(lib.handle, lib.version_info, "curl_version_info");
        bind(lib.handle, lib.easy_init, "curl_easy_init");
        bind(lib.handle, lib.easy_cleanup, "curl_easy_cleanup");
        bind(lib.handle, lib.easy_reset, "curl_easy_reset");
        bind(lib.handle, lib.easy_setopt, "curl_easy_setopt");
        bind(lib.handle, lib.easy_getinfo, "curl_easy_getinfo");
        bind(lib.handle, lib.multi_init, "curl_multi_init");
        bind(lib.handle, lib.multi_cleanup, "curl_multi_cleanup");
        bind(lib.handle, lib.multi_add_handle, "curl_multi_add_handle");
        bind(lib.handle, lib.multi_remove_handle, "curl_multi_remove_handle");
        bind(lib.handle, lib.multi_perform, "curl_multi_perform");
        bind(lib.handle, lib.multi_poll, "curl_multi_poll");
        bind(lib.handle, lib.multi_info_read, "curl_multi_info_read");
        bind(lib.handle, lib.slist_append, "curl_slist_append");
        bind(lib.handle, lib.slist_free_all, "curl_slist_free_all");
        bind(lib.handle, lib.getdate, "curl_getdate");
        // 7.85 brings CURLOPT_PROTOCOLS_STR: an older library would ignore the
        // http/https-only rule without a word.
        const curl_version_info_data* version =
            lib.version_info != nullptr ? lib.version_info(CURLVERSION_NOW) : nullptr;
        if (lib.multi_poll == nullptr || lib.getdate == nullptr || lib.easy_setopt == nullptr ||
            version == nullptr || version->version_num < 0x075500) {
            std::fprintf(stderr, "libcurl is too old (7.85 or later is needed)\n");
            std::abort();
        }
    });
    return lib;
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    return library().global_init(flags);
}

curl_version_info_data* curl_version_info(CURLversion version) {
    return library().version_info(version);
}

CURL* curl_easy_init() {
    return library().easy_init();
}

void curl_easy_cleanup(CURL* handle) {
    library().easy_cleanup(handle);
}

void curl_easy_reset(CURL* handle) {
    library().easy_reset(handle);
}

// Every option takes one argument whose type the option's number range says, as in
// libcurl itself: long, then pointers (objects, functions, blobs), then curl_off_t.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    va_list arguments;
    va_start(arguments, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = library().easy_setopt(handle, option, va_arg(arguments, long));
    } else if (option < CURLOPTTYPE_OFF_T) {
        result = library().easy_setopt(handle, option, va_arg(arguments, void*));
    } else if (option < CURLOPTTYPE_BLOB) {
        result = library().easy_setopt(handle, option, va_arg(arguments, curl_off_t));
    } else {
        result = library().easy_setopt(handle, option, va_arg(arguments, void*));
    }
    va_end(arguments);
    return result;
}

// Every query takes one pointer to where the answer goes.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    va_list arguments;
    va_start(arguments, info);
    void* out = va_arg(arguments, void*);
    va_end(arguments);
    return library().easy_getinfo(handle, info, out);
}

CURLM* curl_multi_init() {
    return library().multi_init();
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    return library().multi_cleanup(multi);
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle) {
    return library().multi_add_handle(multi, handle);
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle) {
    return library().multi_remove_handle(multi, handle);
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    return library().multi_perform(multi, running);
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd* extra, unsigned count, int timeout_ms,
                          int* ready) {
    return library().multi_poll(multi, extra, count, timeout_ms, ready);
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued) {
    return library().multi_info_read(multi, queued);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    return library().slist_append(list, text);
}

void curl_slist_free_all(curl_slist* list) {
    library().slist_free_all(list);
}

time_t curl_getdate(const char* text, const time_t* unused) {
    return library().getdate(text, unused);
}

}  // extern "C"
