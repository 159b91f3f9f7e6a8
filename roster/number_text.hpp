// A CGPA's text in both directions. Read: decimal or hexadecimal, with an
// optional exponent, or an infinity or not-a-number word, after an optional
// sign; the comma reader takes the longest number there, as atof does, the
// word reader only a complete one, as scanf("%f") does. Written: as printf's
// "%f" writes it. The common forms are done here, and every sign; the C
// library does only what every conforming one does alike: long, exponent
// and hexadecimal numbers, correctly rounded, and "%f" of whole numbers.
#pragma once

#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <span>

namespace number_text {

// What kind of number scan_number finds at the start of a text.
enum class form : std::uint8_t {
	none,     // no number
	plain,    // digits and a point only, 19 digits at most
	other,    // any other decimal or hexadecimal number
	infinity, // an infinity word
	nan,      // a not-a-number word
};

// What scan_number finds: the kind of number, its sign, and of a plain
// number its digits as one integer without the point, and how many of them
// follow the point. Sixteen bytes, so that it comes back in registers.
struct scan {
	form kind = form::none;
	bool broken = false; // it goes on as the start of a longer number that
	                     // never completes ("0x", "infin")
	bool negative = false;
	std::uint32_t decimals = 0;
	std::uint64_t digits = 0;
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

// Adds the decimal digits from q on to digits, moving q past them; returns
// how many there were.
constexpr std::size_t add_digits(const char *&q, std::uint64_t &digits)
{
	const char *const start = q;
	for (; is_digit(*q); ++q)
		digits = digits * 10 + static_cast<unsigned char>(*q - '0');
	return static_cast<std::size_t>(q - start);
}

// An exponent counts only with a digit; a bare mark is left out of the
// number, as is its sign.
constexpr bool has_exponent(const char *text)
{
	// Both cases named: compilers test them in one comparison.
	if (text[0] != 'e' && text[0] != 'E')
		return false;
	const std::size_t sign = text[1] == '+' || text[1] == '-' ? 1 : 0;
	return is_digit(text[1 + sign]);
}

// An infinity or not-a-number word after sign bytes of text, or no number.
constexpr scan scan_inf_or_nan(const char *text, std::size_t sign)
{
	const char *const p = text + sign;
	const bool negative = text[0] == '-';
	if (match_word(p, "inf") == 3) {
		const std::size_t rest = match_word(p + 3, "inity");
		return {.kind = form::infinity,
		        .broken = rest != 0 && rest != 5,
		        .negative = negative};
	}
	if (match_word(p, "nan") == 3)
		return {.kind = form::nan, .negative = negative};
	return {};
}

// A hexadecimal number after sign bytes of text, "0x" included: complete
// with a hexadecimal digit before or after its point.
constexpr scan scan_hex(const char *text, std::size_t sign)
{
	const char *p = text + sign + 2;
	if (*p == '.')
		++p;
	return {.kind = form::other, .broken = !is_hex_digit(*p)};
}

// The number at the start of text, its sign and digits read once.
constexpr scan scan_number(const char *text)
{
	constexpr std::size_t max_digits = 19; // cannot overflow 64 bits
	const std::size_t sign = text[0] == '+' || text[0] == '-' ? 1 : 0;
	const char *const p = text + sign;
	if (!is_digit(p[0]) && p[0] != '.')
		return scan_inf_or_nan(text, sign);
	if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
		return scan_hex(text, sign);

	scan number{.negative = text[0] == '-'};
	const char *q = p;
	std::size_t count = add_digits(q, number.digits);
	if (*q == '.') {
		const std::size_t decimals = add_digits(++q, number.digits);
		number.decimals = static_cast<std::uint32_t>(decimals);
		count += decimals;
	}
	if (count == 0)
		return {}; // a point alone
	number.kind = !has_exponent(q) && count <= max_digits ? form::plain
	                                                      : form::other;
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
	return number.kind == form::plain && number.digits <= exact &&
	       number.decimals < exact_powers;
}

template <typename T> T divided(const scan &number)
{
	const T magnitude = static_cast<T>(number.digits) /
	                    static_cast<T>(powers_of_ten[number.decimals]);
	return number.negative ? -magnitude : magnitude;
}

constexpr bool is_word(const scan &number)
{
	return number.kind == form::infinity || number.kind == form::nan;
}

// An infinity or nan of the sign written: not every C library's strtod
// gives a nan the sign before it (musl's does not).
inline float infinity_or_nan(const scan &number)
{
	constexpr float inf = std::numeric_limits<float>::infinity();
	constexpr float nan = std::numeric_limits<float>::quiet_NaN();
	if (number.kind == form::infinity)
		return number.negative ? -inf : inf;
	return number.negative ? -nan : nan;
}

// As atof reads text, then rounded to float: the longest prefix that is a
// number, 0 if none.
inline float longest_number(const char *text)
{
	const scan number = scan_number(text);
	if constexpr (FLT_EVAL_METHOD == 0) {
		if (exact_in<double>(number))
			return static_cast<float>(divided<double>(number));
	} else if (exact_in<float>(number)) {
		// Doubles evaluated wider (x87) would reach float rounded once,
		// not through a double as atof's value does. A quotient of
		// numbers exact in float never lies within half a double step
		// of a float's midpoint without being on it, so rounding it
		// straight to float gives the same.
		return divided<float>(number);
	}
	if (is_word(number))
		return infinity_or_nan(number);
	// strtod would skip whitespace, and read on past the end of a line.
	return number.kind == form::none
	               ? 0
	               : static_cast<float>(std::strtod(text, nullptr));
}

// As scanf("%f") reads text: false, leaving result alone, when it is no
// number or only the start of one ("-", "0x", "infin").
inline bool complete_number(const char *text, float &result)
{
	const scan number = scan_number(text);
	if (number.kind == form::none || number.broken)
		return false;
	if (exact_in<float>(number))
		result = divided<float>(number);
	else if (is_word(number))
		result = infinity_or_nan(number);
	else
		result = std::strtof(text, nullptr);
	return true;
}

// "000" to "999", to write decimals three at a time.
inline constexpr std::array<char, 3000> digit_triples = [] {
	std::array<char, 3000> triples{};
	for (std::size_t i = 0; i < 1000; ++i) {
		triples[3 * i] = static_cast<char>('0' + i / 100);
		triples[3 * i + 1] = static_cast<char>('0' + i / 10 % 10);
		triples[3 * i + 2] = static_cast<char>('0' + i % 10);
	}
	return triples;
}();

// Room for a CGPA as "%f" writes it: a sign, the 39 digits of the largest
// float, the point and six decimals.
inline constexpr std::size_t cgpa_text_size = 48;

// The low 32 bits of x rounded to a whole number, half to even, for
// 0 <= x < 2^52, by comparing what is left after its whole part.
inline std::uint32_t rounded_low_bits_by_fraction(double x)
{
	const auto whole =
	        static_cast<std::uint64_t>(static_cast<std::int64_t>(x));
	const double rest = x - static_cast<double>(whole);
	return static_cast<std::uint32_t>(
	        whole + static_cast<std::uint64_t>(
	                        rest > 0.5 || (rest == 0.5 && whole % 2 != 0)));
}

// The same. Not std::rint or std::lrint: where the compiler does not
// inline them they load the maths library. From 2^52 on a double has no
// bits below the units, so adding 2^52 rounds x as the default rounding
// mode does, and the sum's low bits are then x's whole number: two quick
// instructions where a subtraction and a conversion would lengthen every
// line's work. Not where doubles are evaluated wider than they are stored
// (x87): the sum would keep its fraction.
inline std::uint32_t rounded_low_bits(double x)
{
	if constexpr (FLT_EVAL_METHOD == 0)
		return static_cast<std::uint32_t>(
		        std::bit_cast<std::uint64_t>(x + 0x1p52));
	else
		return rounded_low_bits_by_fraction(x);
}

// Writes cgpa as printf's "%f" does, six decimals rounded half to even;
// returns the length.
inline std::size_t format_cgpa(float cgpa, std::span<char, cgpa_text_size> text)
{
	constexpr std::uint32_t million = 1000000;
	char *out = text.data();
	char *const end = out + text.size();
	if (std::signbit(cgpa))
		*out++ = '-';
	const double magnitude = std::fabs(static_cast<double>(cgpa));
	if (!(magnitude < 0x1p24)) {
		// Whole numbers from here on, infinities and nans: rare.
		if (!std::isfinite(magnitude)) {
			const char *const word =
			        std::isnan(magnitude) ? "nan" : "inf";
			std::memcpy(out, word, 3);
			return static_cast<std::size_t>(out + 3 - text.data());
		}
		const auto room = static_cast<std::size_t>(end - out);
		return static_cast<std::size_t>(out - text.data()) +
		       static_cast<std::size_t>(
		               std::snprintf(out, room, "%f", magnitude));
	}
	// Exact: 24 significant bits times 10^6 = 15625 * 2^6 need 14 bits
	// more and still fit a double. The whole part apart, with the carry of
	// a rounding up; what is left is below 2^32, so the low bits of the
	// millionths serve.
	auto whole = static_cast<std::uint32_t>(magnitude);
	auto decimals = rounded_low_bits(magnitude * million) - whole * million;
	if (decimals >= million) {
		++whole;
		decimals -= million;
	}
	if (whole < 10)
		*out++ = static_cast<char>('0' + whole);
	else
		out = std::to_chars(out, end, whole).ptr;
	*out++ = '.';
	std::memcpy(out, &digit_triples[std::size_t{decimals / 1000} * 3], 3);
	std::memcpy(out + 3, &digit_triples[std::size_t{decimals % 1000} * 3],
	            3);
	return static_cast<std::size_t>(out + 6 - text.data());
}

} // namespace number_text
