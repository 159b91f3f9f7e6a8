// Finding bytes in a roster's text: the one place that knows how the
// machine compares them. With SSE2, which every x86-64 has, sixteen bytes
// are compared at once; elsewhere, or with ROSTER_PORTABLE_SCAN defined,
// plain loops and the C library do it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(ROSTER_PORTABLE_SCAN)
#define ROSTER_SSE2_SCAN 1
#include <emmintrin.h>
#endif

namespace byte_scan {

// A search loads this many bytes at once: up to block - 1 bytes past the
// byte it stops at must be readable.
inline constexpr std::size_t block = 16;

// The whitespace of the C locale: blank, tab, line end, vertical tab, form
// feed and carriage return.
constexpr bool is_space(char c)
{
	return c == ' ' || (c >= '\t' && c <= '\r');
}

// The first byte from text on that is not whitespace other than the line
// end: nothing of a piece comes after that. The bytes it skips are the
// bits of one word: on the word reader's hot path that took 40
// instructions a line fewer than is_space's comparisons.
constexpr const char *skip_space(const char *text)
{
	constexpr std::uint64_t blanks =
	        std::uint64_t{1} << ' ' | std::uint64_t{1} << '\t' |
	        std::uint64_t{1} << '\v' | std::uint64_t{1} << '\f' |
	        std::uint64_t{1} << '\r';
	while (static_cast<unsigned char>(*text) <= ' ' &&
	       (blanks >> static_cast<unsigned char>(*text) & 1) != 0)
		++text;
	return text;
}

#ifdef ROSTER_SSE2_SCAN
namespace sse2 {

inline __m128i load(const char *p)
{
	return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// Bit i is set where byte i of text is c.
inline unsigned equal(__m128i text, char c)
{
	return static_cast<unsigned>(
	        _mm_movemask_epi8(_mm_cmpeq_epi8(text, _mm_set1_epi8(c))));
}

// Bit i is set where byte i is at most the blank: whitespace and the zero
// byte lie among them.
inline unsigned blank_or_below(__m128i text)
{
	return static_cast<unsigned>(_mm_movemask_epi8(
	        _mm_cmpeq_epi8(_mm_min_epu8(text, _mm_set1_epi8(' ')), text)));
}

inline std::size_t first(unsigned bits)
{
	return static_cast<std::size_t>(std::countr_zero(bits));
}

} // namespace sse2
#endif

// The first line end among the n bytes from text, or nullptr.
inline const char *find_line_end(const char *text, std::size_t n)
{
#ifdef ROSTER_SSE2_SCAN
	for (std::size_t i = 0; i < n; i += block)
		if (const unsigned found =
		            sse2::equal(sse2::load(text + i), '\n')) {
			const std::size_t at = i + sse2::first(found);
			return at < n ? text + at : nullptr;
		}
	return nullptr;
#else
	return static_cast<const char *>(std::memchr(text, '\n', n));
#endif
}

// Where a comma-separated token from text on ends: at the first comma or
// zero byte, or just past the first line end, which belongs to the token.
inline const char *find_token_end(const char *text)
{
#ifdef ROSTER_SSE2_SCAN
	for (;; text += block) {
		const __m128i bytes = sse2::load(text);
		const unsigned line_end = sse2::equal(bytes, '\n');
		const unsigned found = line_end | sse2::equal(bytes, ',') |
		                       sse2::equal(bytes, '\0');
		if (found != 0) {
			const std::size_t n = sse2::first(found);
			return text + n + ((line_end >> n) & 1);
		}
	}
#else
	while (*text != ',' && *text != '\0')
		if (*text++ == '\n')
			break;
	return text;
#endif
}

// The first whitespace or zero byte from text on.
inline const char *find_space_or_zero(const char *text)
{
#ifdef ROSTER_SSE2_SCAN
	// Bytes up to the blank are rare inside a word.
	for (;;) {
		const unsigned low = sse2::blank_or_below(sse2::load(text));
		if (low == 0) {
			text += block;
			continue;
		}
		text += sse2::first(low);
		if (*text == '\0' || is_space(*text))
			return text;
		++text;
	}
#else
	while (*text != '\0' && !is_space(*text))
		++text;
	return text;
#endif
}

// The first zero byte from text on.
inline const char *find_zero(const char *text)
{
#ifdef ROSTER_SSE2_SCAN
	for (;; text += block)
		if (const unsigned found = sse2::equal(sse2::load(text), '\0'))
			return text + sse2::first(found);
#else
	return text + std::strlen(text);
#endif
}

} // namespace byte_scan
