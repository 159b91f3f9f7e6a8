// Storing a reader's text in the record's fixed-size fields.
#pragma once

#include "record_listing.hpp"

#include <cstddef>
#include <cstring>

namespace field_text {

// How many bytes 80-BF a UTF-8 lead byte announces; 0 for any other byte.
constexpr std::size_t continuations(char c)
{
	const auto byte = static_cast<unsigned char>(c);
	if (byte >= 0xc2 && byte <= 0xdf)
		return 1;
	if (byte >= 0xe0 && byte <= 0xef)
		return 2;
	if (byte >= 0xf0 && byte <= 0xf4)
		return 3;
	return 0;
}

constexpr bool is_continuation(char c)
{
	const auto byte = static_cast<unsigned char>(c);
	return byte >= 0x80 && byte <= 0xbf;
}

// How much of a text longer than a field the field keeps: field_size - 1
// bytes, or fewer where that would cut a UTF-8 character in two that the
// text goes on to complete. Such a character is kept out whole, so that a
// report never holds bytes the roster did not. Any other bytes (broken
// UTF-8, Latin-1) are cut where they fall.
constexpr std::size_t kept_length(const char *text, std::size_t length)
{
	constexpr std::size_t kept = field_size - 1;
	constexpr std::size_t longest = 4; // bytes of a UTF-8 character
	std::size_t lead = kept - 1;
	while (lead > kept - (longest - 1) && is_continuation(text[lead]))
		--lead;
	const std::size_t last = lead + continuations(text[lead]);
	if (last < kept || last >= length)
		return kept;
	for (std::size_t i = lead + 1; i <= last; ++i)
		if (!is_continuation(text[i]))
			return kept;
	return lead;
}

} // namespace field_text

// Stores text in a field, cut to what the field holds. The field is filled
// with one fixed-size copy, so field_size bytes from text on must be
// readable; those past what is kept are cut off.
inline void store_field(char (&field)[field_size], const char *text,
                        std::size_t length)
{
	static_assert(field_size <= read_past_piece);
	std::memcpy(field, text, field_size);
	const std::size_t kept =
	        length < field_size ? length
	                            : field_text::kept_length(text, length);
	field[kept] = '\0';
}
