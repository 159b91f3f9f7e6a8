// Storing a reader's text in the record's fixed-size fields.
#pragma once

#include "record_listing.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

// Stores text in a field, cut to what the field holds. The field is filled
// with one fixed-size copy, so field_size bytes from text on must be
// readable; those past the text are cut off.
inline void store_field(char (&field)[field_size], const char *text,
                        std::size_t length)
{
	static_assert(field_size <= read_past_piece);
	std::memcpy(field, text, field_size);
	field[std::min(length, field_size - 1)] = '\0';
}
