// Uniformly random numbers in [0, 1) for the request nonce, written as the
// script engine writes a number.
#pragma once

#include <functional>

#include "base/text.h"

// A fresh number in [0, 1) as text, e.g. "0.123456789012345" or "0.5". Never fails.
Text random_number_text();

// `value` rounded to 15 significant digits and written as JavaScript writes a number:
// no trailing zeros, plain decimals from 1e-6 up to 1e21, exponent form outside.
Text number_to_script_text(double value);

// Tests supply the numbers with this; an empty function restores the generator.
void set_random_for_testing(std::function<double()> source);
