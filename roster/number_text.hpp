// A CGPA's text in both directions. Read: decimal or hexadecimal, with an
// optional exponent, or an infinity or not-a-number word, after an optional
// sign; the comma reader takes the longest number there, as atof does, the
// word reader only a complete one, as scanf("%f") does. Written: as printf's
// "%f" writes it. The common forms are done here; the rest goes to the C
// library, whose results define them.
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <span>

namespace number_text {

// What scan_number finds at the start of a text. Of a plain number, its
// sign, its digits as one integer without the point, and how many of them
// follow the point.
struct scan {
	std::size_t length = 0; // of the longest prefix that is a number
	bool broken = false;    // the text goes on as the start of a longer
	                        // number that never completes ("0x", "infin")
	bool plain = false;     // digits and a point only, 19 digits at most
	bool negative = false;
	std::uint64_t digits = 0;
	std::size_t decimals = 0;
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

// Hexadecimal digits, an optional point and more; at least one digit counts.
constexpr std::size_t hex_mantissa_length(const char *text, bool &any)
{
	std::size_t n = 0;
	for (; is_hex_digit(text[n]); ++n)
		any = true;
	if (text[n] == '.')
		for (++n; is_hex_digit(text[n]); ++n)
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

// The number at the start of text, its sign and digits read once.
constexpr scan scan_number(const char *text)
{
	constexpr std::size_t max_digits = 19; // cannot overflow 64 bits
	const std::size_t sign = text[0] == '+' || text[0] == '-' ? 1 : 0;
	const char *const p = text + sign;
	scan number{};
	number.negative = text[0] == '-';

	if (lower(p[0]) == 'i') {
		if (match_word(p, "inf") != 3)
			return {.broken = true};
		const std::size_t rest = match_word(p + 3, "inity");
		if (rest == 5)
			return {.length = sign + 8};
		return {.length = sign + 3, .broken = rest != 0};
	}
	if (lower(p[0]) == 'n') {
		if (match_word(p, "nan") != 3)
			return {.broken = true};
		return {.length = sign + 3};
	}
	if (p[0] == '0' && lower(p[1]) == 'x') {
		bool any = false;
		const std::size_t n = 2 + hex_mantissa_length(p + 2, any);
		if (!any)
			return {.length = sign + 1, .broken = true};
		return {.length = sign + n + exponent_length(p + n, 'p')};
	}
	const char *q = p;
	for (; is_digit(*q); ++q)
		number.digits = number.digits * 10 +
		                static_cast<std::uint64_t>(*q - '0');
	std::size_t count = static_cast<std::size_t>(q - p);
	if (*q == '.') {
		const char *const fraction = ++q;
		for (; is_digit(*q); ++q)
			number.digits = number.digits * 10 +
			                static_cast<std::uint64_t>(*q - '0');
		number.decimals = static_cast<std::size_t>(q - fraction);
		count += number.decimals;
	}
	if (count == 0)
		return {.broken = q != p || sign != 0};
	const std::size_t exponent = exponent_length(q, 'e');
	number.length = static_cast<std::size_t>(q - text) + exponent;
	number.plain = exponent == 0 && count <= max_digits;
	return number;
}

// Powers of ten, all exact in a double; up to 1e10 also exact in a float.
inline constexpr std::array<double, 23> powers_of_ten = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A plain number whose digits and power of ten are both exact in T: one
// division then rounds correctly, as the C library would.
template <typename T> constexpr bool exact_in(const scan &number)
{
	constexpr std::uint64_t exact = std::uint64_t{1}
	                                << std::numeric_limits<T>::digits;
	constexpr std::size_t exact_powers =
	        sizeof(T) == sizeof(float) ? 11 : 23;
	return number.plain && number.digits <= exact &&
	       number.decimals < exact_powers;
}

template <typename T> T divided(const scan &number)
{
	const T magnitude = static_cast<T>(number.digits) /
	                    static_cast<T>(powers_of_ten[number.decimals]);
	return number.negative ? -magnitude : magnitude;
}

// As atof reads text: the longest prefix that is a number, 0 if none.
inline double longest_number(const char *text)
{
	const scan number = scan_number(text);
	return exact_in<double>(number) ? divided<double>(number)
	                                : std::strtod(text, nullptr);
}

// As scanf("%f") reads text: false, leaving result alone, when it is no
// number or only the start of one ("-", "0x", "infin").
inline bool complete_number(const char *text, float &result)
{
	const scan number = scan_number(text);
	if (number.length == 0 || number.broken)
		return false;
	result = exact_in<float>(number) ? divided<float>(number)
	                                 : std::strtof(text, nullptr);
	return true;
}

// Room for a CGPA as "%f" writes it: a sign, the 39 digits of the largest
// float, the point and six decimals.
inline constexpr std::size_t cgpa_text_size = 48;

// Writes cgpa as printf's "%f" does, six decimals rounded half to even;
// returns the length.
inline std::size_t format_cgpa(float cgpa, std::span<char, cgpa_text_size> text)
{
	constexpr std::uint64_t million = 1000000;
	char *out = text.data();
	char *const end = out + text.size();
	if (std::signbit(cgpa))
		*out++ = '-';
	const double magnitude = std::fabs(static_cast<double>(cgpa));
	if (std::isnan(magnitude) || std::isinf(magnitude)) {
		const char *const word = std::isnan(magnitude) ? "nan" : "inf";
		out = std::copy(word, word + 3, out);
	} else if (magnitude < 1e12) {
		// Exact: 24 significant bits times 10^6 = 15625 * 2^6, 14 bits
		// more, still fit a double; so rounding the product to a whole
		// number, half to even, gives the six decimals exactly.
		const double scaled = magnitude * static_cast<double>(million);
		auto millionths = static_cast<std::uint64_t>(scaled);
		const double rest = scaled - static_cast<double>(millionths);
		if (rest > 0.5 || (rest == 0.5 && millionths % 2 != 0))
			++millionths;
		out = std::to_chars(out, end, millionths / million).ptr;
		*out++ = '.';
		auto decimals =
		        static_cast<std::uint32_t>(millionths % million);
		for (char *digit = out + 6; digit != out; decimals /= 10)
			*--digit = static_cast<char>('0' + decimals % 10);
		out += 6;
	} else {
		// Floats this large are whole numbers and rare.
		const int n =
		        std::snprintf(out, static_cast<std::size_t>(end - out),
		                      "%.6f", magnitude);
		out += n;
	}
	return static_cast<std::size_t>(out - text.data());
}

} // namespace number_text
