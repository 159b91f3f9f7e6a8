// A CGPA read from the text of a field: decimal or hexadecimal, with an
// optional exponent, or an infinity or not-a-number word, after an optional
// sign. The comma reader takes the longest number there, as atof does; the
// word reader only a complete one, as scanf("%f") does.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <type_traits>

namespace number_text {

struct scan {
	std::size_t length; // of the longest prefix that is a number, 0 if none
	bool broken;        // the text goes on as the start of a longer number
	                    // that never completes ("0x", "infin")
};

constexpr char lower(char c)
{
	return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool is_digit(char c)
{
	return c >= '0' && c <= '9';
}

constexpr bool is_hex_digit(char c)
{
	return is_digit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

// How many bytes of the lower-case word match text, case-insensitively.
constexpr std::size_t match_word(const char *text, const char *word)
{
	std::size_t n = 0;
	while (word[n] != '\0' && lower(text[n]) == word[n])
		++n;
	return n;
}

// Digits, an optional point and more digits; at least one digit counts.
template <bool (*digit)(char)>
constexpr std::size_t mantissa_length(const char *text, bool &any)
{
	std::size_t n = 0;
	for (; digit(text[n]); ++n)
		any = true;
	if (text[n] == '.')
		for (++n; digit(text[n]); ++n)
			any = true;
	return n;
}

// An exponent counts only with a digit; a bare mark is left out of the
// number, as is its sign.
constexpr std::size_t exponent_length(const char *text, char mark)
{
	if (lower(text[0]) != mark)
		return 0;
	const std::size_t sign = text[1] == '+' || text[1] == '-' ? 1 : 0;
	std::size_t n = 1 + sign;
	if (!is_digit(text[n]))
		return 0;
	while (is_digit(text[n]))
		++n;
	return n;
}

constexpr scan scan_number(const char *text)
{
	const std::size_t sign = text[0] == '+' || text[0] == '-' ? 1 : 0;
	const char *const p = text + sign;
	bool any = false;

	if (lower(p[0]) == 'i') {
		if (match_word(p, "inf") != 3)
			return {0, true};
		const std::size_t rest = match_word(p + 3, "inity");
		if (rest == 5)
			return {sign + 8, false};
		return {sign + 3, rest != 0};
	}
	if (lower(p[0]) == 'n') {
		if (match_word(p, "nan") != 3)
			return {0, true};
		return {sign + 3, false};
	}
	if (p[0] == '0' && lower(p[1]) == 'x') {
		const std::size_t n =
		        2 + mantissa_length<is_hex_digit>(p + 2, any);
		if (!any)
			return {sign + 1, true};
		return {sign + n + exponent_length(p + n, 'p'), false};
	}
	const std::size_t n = mantissa_length<is_digit>(p, any);
	if (!any)
		return {0, n != 0 || sign != 0};
	return {sign + n + exponent_length(p + n, 'e'), false};
}

// Powers of ten, all exact in a double; up to 1e10 also exact in a float.
inline constexpr std::array<double, 23> powers_of_ten = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common case in one pass: an optional sign, digits, an optional point
// and digits, and no exponent or hexadecimal mark after them. When the
// digits and the power of ten are both exact in T, one division gives the
// correctly rounded value. False leaves the text to the general path.
template <typename T> bool plain_decimal(const char *text, T &result)
{
	constexpr std::uint64_t exact = std::uint64_t{1}
	                                << std::numeric_limits<T>::digits;
	constexpr std::size_t exact_powers = std::is_same_v<T, float> ? 11 : 23;
	constexpr std::size_t max_digits = 19; // cannot overflow 64 bits
	const bool negative = *text == '-';
	const char *p = text + (negative || *text == '+' ? 1 : 0);
	const char *const start = p;
	std::uint64_t digits = 0;
	for (; is_digit(*p); ++p)
		digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
	std::size_t count = static_cast<std::size_t>(p - start);
	std::size_t decimals = 0;
	if (*p == '.') {
		const char *const fraction = ++p;
		for (; is_digit(*p); ++p)
			digits = digits * 10 +
			         static_cast<std::uint64_t>(*p - '0');
		decimals = static_cast<std::size_t>(p - fraction);
		count += decimals;
	}
	if (count == 0 || count > max_digits || digits > exact ||
	    decimals >= exact_powers || lower(*p) == 'e' || lower(*p) == 'x')
		return false;
	const T magnitude = static_cast<T>(digits) /
	                    static_cast<T>(powers_of_ten[decimals]);
	result = negative ? -magnitude : magnitude;
	return true;
}

// The value of the number of the given length that scan_number found at
// text, through from_chars; text goes on to a zero byte.
template <typename T> T value(const char *text, std::size_t length)
{
	const bool negative = text[0] == '-';
	const char *first = text + (negative || text[0] == '+' ? 1 : 0);
	const char *const last = text + length;
	auto format = std::chars_format::general;
	if (last - first > 2 && first[0] == '0' && lower(first[1]) == 'x') {
		first += 2;
		format = std::chars_format::hex;
	}
	T magnitude{};
	if (std::from_chars(first, last, magnitude, format).ec != std::errc{}) {
		// Beyond the type's range, where the C library knows to give an
		// infinity, a subnormal or zero.
		if constexpr (std::is_same_v<T, float>)
			return std::strtof(text, nullptr);
		else
			return std::strtod(text, nullptr);
	}
	return negative ? -magnitude : magnitude;
}

// As atof reads text: the longest prefix that is a number, 0 if none.
inline double longest_number(const char *text)
{
	double result = 0;
	if (plain_decimal(text, result))
		return result;
	const scan number = scan_number(text);
	return number.length == 0 ? 0 : value<double>(text, number.length);
}

// As scanf("%f") reads text: false, leaving result alone, when it is no
// number or only the start of one ("-", "0x", "infin").
inline bool complete_number(const char *text, float &result)
{
	if (plain_decimal(text, result))
		return true;
	const scan number = scan_number(text);
	if (number.length == 0 || number.broken)
		return false;
	result = value<float>(text, number.length);
	return true;
}

} // namespace number_text
