// How the tests compare numbers: a nan's payload is never shown, its sign
// always is.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>

// The same bits, or two nans of one sign.
template <typename T> bool same_value(T a, T b)
{
	using bits = std::conditional_t<sizeof(T) == 4, std::uint32_t,
	                                std::uint64_t>;
	return std::bit_cast<bits>(a) == std::bit_cast<bits>(b) ||
	       (std::isnan(a) && std::isnan(b) &&
	        std::signbit(a) == std::signbit(b));
}

// f is d rounded to float, as x86-64 rounds it: a nan keeps its sign,
// which some machines' conversion drops.
inline bool rounds_to(float f, double d)
{
	if (std::isnan(d))
		return std::isnan(f) && std::signbit(f) == std::signbit(d);
	return same_value(f, static_cast<float>(d));
}
