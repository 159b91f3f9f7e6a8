// What the Windows part does to text between the system's UTF-16 and the
// programs' bytes, apart from the calls themselves, so that it is tested
// on every system: UTF-8 shown at a console, text typed there, names and
// arguments kept whole, and the pipes that stand for a terminal.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

namespace os::windows_text {

// A UTF-16 unit: wchar_t where it is one (Windows), char16_t elsewhere.
using unit = std::conditional_t<sizeof(wchar_t) == 2, wchar_t, char16_t>;
using units_view = std::basic_string_view<unit>;

inline constexpr std::uint32_t replacement = 0xfffd;

constexpr bool is_high_surrogate(std::uint32_t u)
{
	return u >= 0xd800 && u <= 0xdbff;
}

constexpr bool is_low_surrogate(std::uint32_t u)
{
	return u >= 0xdc00 && u <= 0xdfff;
}

// What a UTF-8 lead byte needs: how many bytes follow it, and the range of
// the first of them, which rules out overlong forms, and surrogates unless
// they are allowed (WTF-8).
struct lead_byte {
	std::size_t follow;
	unsigned char low;
	unsigned char high;
};

constexpr lead_byte lead(unsigned char byte, bool surrogates)
{
	if (byte >= 0xc2 && byte <= 0xdf)
		return {1, 0x80, 0xbf};
	if (byte == 0xe0)
		return {2, 0xa0, 0xbf};
	if (byte == 0xed && !surrogates)
		return {2, 0x80, 0x9f};
	if (byte >= 0xe1 && byte <= 0xef)
		return {2, 0x80, 0xbf};
	if (byte == 0xf0)
		return {3, 0x90, 0xbf};
	if (byte >= 0xf1 && byte <= 0xf3)
		return {3, 0x80, 0xbf};
	if (byte == 0xf4)
		return {3, 0x80, 0x8f};
	return {0, 0, 0};
}

// The character text starts with: its length, and its code, U+FFFD for a
// broken sequence (a lead and the bytes that fit it, or a stray byte). A
// length of 0: text ends inside a character that more bytes may finish.
struct character {
	std::size_t length;
	std::uint32_t code;
};

constexpr character first_character(std::string_view text,
                                    bool surrogates = false)
{
	const auto first = static_cast<unsigned char>(text[0]);
	if (first < 0x80)
		return {1, first};
	const lead_byte need = lead(first, surrogates);
	std::uint32_t code = first & (0x3fU >> need.follow);
	std::size_t got = 0;
	unsigned char low = need.low;
	unsigned char high = need.high;
	for (; got < need.follow && 1 + got < text.size(); ++got) {
		const auto next = static_cast<unsigned char>(text[1 + got]);
		if (next < low || next > high)
			break;
		code = code << 6 | (next & 0x3fU);
		low = 0x80;
		high = 0xbf;
	}
	if (got < need.follow && 1 + got == text.size())
		return {0, 0};
	return {1 + got, got == need.follow && got != 0 ? code : replacement};
}

// Puts code at units[at], one unit or a pair; false where it does not fit.
constexpr bool put_utf16(std::uint32_t code, std::span<unit> units,
                         std::size_t &at)
{
	if (code < 0x10000) {
		if (at == units.size())
			return false;
		units[at++] = static_cast<unit>(code);
		return true;
	}
	if (units.size() - at < 2)
		return false;
	code -= 0x10000;
	units[at++] = static_cast<unit>(0xd800 + (code >> 10));
	units[at++] = static_cast<unit>(0xdc00 + (code & 0x3ff));
	return true;
}

// UTF-8 on its way to a console, strict: bytes that are no UTF-8 show as
// U+FFFD, one for each broken sequence, as a UTF-8 terminal shows them.
// The start of a character that a write ends inside waits in the decoder
// for the next write.
struct utf8_decoder {
	std::size_t held;
	std::array<char, 3> bytes;
};

struct decoded {
	std::size_t taken; // bytes of text used up
	std::size_t made;  // units written
};

// Decodes as much of text as units has room for. A character is never
// split between two calls: not its bytes, nor its pair of units.
constexpr decoded decode_utf8(utf8_decoder &decoder, std::string_view text,
                              std::span<unit> units)
{
	std::size_t taken = 0;
	std::size_t made = 0;
	if (decoder.held != 0) {
		std::array<char, 6> joined{};
		const std::size_t added =
		        std::min(text.size(), joined.size() - decoder.held);
		std::copy_n(decoder.bytes.begin(), decoder.held,
		            joined.begin());
		std::copy_n(text.begin(), added, joined.begin() + decoder.held);
		const character c =
		        first_character({joined.data(), decoder.held + added});
		if (c.length == 0) {
			std::copy(text.begin(), text.end(),
			          decoder.bytes.begin() + decoder.held);
			decoder.held += text.size();
			return {text.size(), 0};
		}
		if (!put_utf16(c.code, units, made))
			return {0, 0};
		taken = c.length - decoder.held;
		decoder.held = 0;
	}
	while (taken < text.size()) {
		const character c = first_character(text.substr(taken));
		if (c.length == 0) {
			std::copy(text.begin() +
			                  static_cast<std::ptrdiff_t>(taken),
			          text.end(), decoder.bytes.begin());
			decoder.held = text.size() - taken;
			return {text.size(), made};
		}
		if (!put_utf16(c.code, units, made))
			break;
		taken += c.length;
	}
	return {taken, made};
}

// A character still unfinished when the text ends is broken: true where
// one was, and the decoder forgets it.
constexpr bool end_text(utf8_decoder &decoder)
{
	const bool unfinished = decoder.held != 0;
	decoder.held = 0;
	return unfinished;
}

// Bytes of UTF-16 text, losslessly: a surrogate without its pair becomes
// its own three bytes (WTF-8), so that different texts never give the same
// bytes, and the same text always gives the same. At most three bytes a
// unit; what does not fit in bytes is left out. Gives how many were made.
constexpr std::size_t encode_wtf8(units_view units, std::span<char> bytes)
{
	std::size_t n = 0;
	for (std::size_t i = 0; i < units.size(); ++i) {
		std::uint32_t code = units[i];
		if (is_high_surrogate(code) && i + 1 < units.size() &&
		    is_low_surrogate(units[i + 1]))
			code = 0x10000 + ((code - 0xd800) << 10) +
			       (units[++i] - 0xdc00U);
		const std::size_t length = code < 0x80      ? 1
		                           : code < 0x800   ? 2
		                           : code < 0x10000 ? 3
		                                            : 4;
		if (bytes.size() - n < length)
			break;
		if (length == 1) {
			bytes[n++] = static_cast<char>(code);
			continue;
		}
		constexpr std::array<unsigned, 5> marks{0, 0, 0xc0, 0xe0, 0xf0};
		for (std::size_t k = length - 1; k != 0; --k) {
			bytes[n + k] = static_cast<char>(0x80 | (code & 0x3f));
			code >>= 6;
		}
		bytes[n] = static_cast<char>(marks[length] | code);
		n += length;
	}
	return n;
}

// The UTF-16 of a name in UTF-8 or WTF-8, ending in a zero unit: false
// where text is neither (a broken byte, a pair written as two surrogates)
// or does not fit.
constexpr bool decode_wtf8(std::string_view text, std::span<unit> units)
{
	std::size_t made = 0;
	std::uint32_t last = 0;
	while (!text.empty()) {
		const character c = first_character(text, true);
		if (c.length == 0 || c.code == replacement ||
		    (is_high_surrogate(last) && is_low_surrogate(c.code)) ||
		    !put_utf16(c.code, units, made))
			return false;
		last = c.code;
		text.remove_prefix(c.length);
	}
	return put_utf16(0, units, made);
}

// Text typed at a console, read a line at a time in UTF-16 and handed on
// as bytes, each line ending in a line end alone, as a Unix terminal gives
// it: only a CR right before a LF is dropped. A read that ends in a CR or
// the first unit of a pair keeps it at the front for the next read.
inline constexpr std::size_t typed_units = 512;

struct typed_text {
	std::size_t held;
	std::array<unit, typed_units> units;
	std::array<char, 3 * typed_units> bytes;
};

// Hands on the units held and the n read behind them, as bytes; held units
// wait unless this is the end of input (n is 0).
constexpr std::size_t typed_bytes(typed_text &typed, std::size_t n)
{
	std::size_t total = typed.held + n;
	const std::uint32_t last = total == 0 ? 0 : typed.units[total - 1];
	const std::size_t keep =
	        n != 0 && (last == '\r' || is_high_surrogate(last)) ? 1 : 0;
	total -= keep;
	std::size_t kept = 0;
	for (std::size_t i = 0; i < total; ++i)
		if (typed.units[i] != '\r' || i + 1 == total ||
		    typed.units[i + 1] != '\n')
			typed.units[kept++] = typed.units[i];
	const std::size_t bytes =
	        encode_wtf8({typed.units.data(), kept}, typed.bytes);
	if (keep != 0)
		typed.units[0] = typed.units[total];
	typed.held = keep;
	return bytes;
}

// Git Bash's terminal (mintty), and MSYS2's and Cygwin's, give a program
// that is not theirs its terminal as named pipes, named
// \msys-HEX-ptyN-to-master or -from-master, or the same with cygwin-.
constexpr bool is_terminal_pipe(units_view name)
{
	const auto skip = [&name](std::string_view word) {
		const bool found =
		        name.size() >= word.size() &&
		        std::equal(word.begin(), word.end(), name.begin(),
		                   [](char a, unit b) { return unit(a) == b; });
		if (found)
			name.remove_prefix(word.size());
		return found;
	};
	const auto skip_all = [&name](auto is_kind) {
		std::size_t n = 0;
		while (n < name.size() && is_kind(name[n]))
			++n;
		name.remove_prefix(n);
		return n != 0;
	};
	const auto is_digit = [](unit u) { return u >= '0' && u <= '9'; };
	const auto is_hex = [&](unit u) {
		return is_digit(u) || (u >= 'a' && u <= 'f') ||
		       (u >= 'A' && u <= 'F');
	};
	return (skip("\\msys-") || skip("\\cygwin-")) && skip_all(is_hex) &&
	       skip("-pty") && skip_all(is_digit) &&
	       (skip("-to-master") || skip("-from-master"));
}

} // namespace os::windows_text
