// Random numbers from a std::random_device-seeded 64-bit Mersenne Twister.
#include "platform/random.h"

#include <chrono>
#include <random>

#include "platform/json_engine.h"

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
    // 15 significant digits, as the script engine writes a random number.
    return json_number_text(value, 15);
}

void set_random_for_testing(std::function<double()> source) {
    random_override() = std::move(source);
}
