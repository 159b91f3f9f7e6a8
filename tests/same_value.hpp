// How the tests compare numbers: a nan's payload is never shown, its sign
// always is, and it is the sign written before it.
#pragma once

#include <bit>
#include <cctype>
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

// The C library's value of a number's text, strtod's or strtof's, with a
// nan signed as written: some C libraries (musl) drop that sign.
template <typename T> T signed_as_written(T value, const char *text)
{
	if (!std::isnan(value))
		return value;
	while (std::isspace(static_cast<unsigned char>(*text)) != 0)
		++text;
	return std::copysign(value, *text == '-' ? T{-1} : T{1});
}
