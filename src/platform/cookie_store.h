// Cookie stores by URL host and path: the process-wide store that the system cookie
// functions stand for, and the same kind of store kept by an HTTP session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <list>
#include <unordered_map>

#include "base/text.h"

// Holds at most kMaxPerDomain cookies per domain and kMaxCookies in all, dropping the
// oldest, as browsers do; a cookie is found by name, domain and path through an index.
class CookieStore {
  public:
    static constexpr std::size_t kMaxPerDomain = 50;
    static constexpr std::size_t kMaxCookies = 300;

    // Stores a cookie for `url`. `data` is the value, optionally followed by "; " and
    // attributes (path, domain, expires, max-age, secure). With an empty `name`, `data`
    // reads like a Set-Cookie value ("name=value; attributes"). False for a URL that is
    // not HTTP(S), a cookie without "=" when no name is given, or a foreign domain.
    bool set_cookie(const Text& url, const Text& name, const Text& data);
    // Takes the value of one Set-Cookie header received from `url`.
    bool set_from_header(const Text& url, const Text& header_value);
    // "a=1; b=2": the cookies that `url` may see, longer paths first; empty when none.
    Text cookies_for(const Text& url) const;
    void clear();
    // Cookies held, expired ones not yet dropped included.
    std::size_t size() const { return cookies_.size(); }

  private:
    struct Cookie {
        Text name;
        Text value;
        Text domain;  // lower case
        bool host_only = true;
        Text path;
        bool secure = false;
        bool has_expiry = false;
        std::time_t expires = 0;
        std::uint64_t order = 0;
    };
    using Cookies = std::list<Cookie>;
    static Text key_of(const Cookie& cookie);
    void erase(Cookies::iterator cookie);
    void drop_expired(std::time_t now);
    void make_room(const Text& domain);

    Cookies cookies_;  // oldest first
    std::unordered_map<Text, Cookies::iterator> by_key_;
    std::unordered_map<Text, std::size_t> per_domain_;
    std::uint64_t next_order_ = 0;
    std::time_t swept_at_ = 0;
};

// The process's own store (what the system cookie functions read and write).
CookieStore& system_cookie_store();
