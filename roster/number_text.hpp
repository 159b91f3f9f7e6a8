// Where a CGPA's number ends in the text of a field: decimal or hexadecimal,
// with an optional exponent, or an infinity or not-a-number word, after an
// optional sign. Both readers go by it.
#pragma once

#include <cstddef>

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
		const std::size_t n = 2 + mantissa_length<is_hex_digit>(p + 2, any);
		if (!any)
			return {sign + 1, true};
		return {sign + n + exponent_length(p + n, 'p'), false};
	}
	const std::size_t n = mantissa_length<is_digit>(p, any);
	if (!any)
		return {0, n != 0 || sign != 0};
	return {sign + n + exponent_length(p + n, 'e'), false};
}

} // namespace number_text
