// Random numbers from a std::random_device-seeded 64-bit Mersenne Twister.
#include "platform/random.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>

namespace {

std::function<double()>& random_override() {
    static std::function<double()> instance;
    return instance;
}

std::uint64_t make_seed() {
    try {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    } catch (...) {
        // No entropy source: the clock still gives every run its own sequence.
        return static_cast<std::uint64_t>(
            std::chrono::high_resolution_clock::now().time_since_epoch().count());
    }
}

double next_unit_number() {
    thread_local std::mt19937_64 generator(make_seed());
    // 53 random bits: every double in [0, 1) on the 2^-53 grid is equally likely.
    return static_cast<double>(generator() >> 11) * 0x1.0p-53;
}

}  // namespace

Text random_number_text() {
    double value = random_override() ? random_override()() : next_unit_number();
    return number_to_script_text(value);
}

Text number_to_script_text(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    if (value == 0) {
        return "0";
    }
    const Text sign = value < 0 ? "-" : "";
    // d.ddddddddddddddde±x: 15 significant digits, locale-independent.
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                std::chars_format::scientific, 14);
    const Text scientific(buffer, result.ptr);
    const std::size_t e = scientific.find('e');
    Text digits = scientific.substr(0, 1) + scientific.substr(2, e - 2);
    const int exponent = std::atoi(scientific.c_str() + e + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    // As ECMAScript's Number::toString: value = 0.digits * 10^n.
    const int k = static_cast<int>(digits.size());
    const int n = exponent + 1;
    Text out = sign;
    if (k <= n && n <= 21) {
        out.append(digits).append(n - k, '0');
    } else if (0 < n && n <= 21) {
        out.append(digits, 0, n).append(1, '.').append(digits, n);
    } else if (-6 < n && n <= 0) {
        out.append("0.").append(-n, '0').append(digits);
    } else {
        out.append(digits, 0, 1);
        if (k > 1) {
            out.append(1, '.').append(digits, 1);
        }
        out.append(n - 1 < 0 ? "e-" : "e+").append(std::to_string(std::abs(n - 1)));
    }
    return out;
}

void set_random_for_testing(std::function<double()> source) {
    random_override() = std::move(source);
}
