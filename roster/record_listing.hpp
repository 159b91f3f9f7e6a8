// The listing driver that csvroster and wordroster share and the one record
// it fills from every line of a roster.
#pragma once

#include "byte_scan.hpp"

#include <algorithm>
#include <cstddef>
#include <span>

inline constexpr std::size_t field_size = 32;     // 31 bytes and a zero byte
inline constexpr std::size_t file_name_size = 40; // 39 bytes and a zero byte
inline constexpr std::size_t line_size = 256;     // 255 bytes and a zero byte

// How far past the end of a piece its reader may read, the zero byte behind
// it included: a field is stored with one copy of field_size bytes from
// wherever its text starts, and a search loads byte_scan::block bytes.
inline constexpr std::size_t read_past_piece =
        std::max(field_size, byte_scan::block);

struct student_record {
	char reg_no[field_size];
	char name[field_size];
	float cgpa;
};

// Fills the record from one piece of a line: at most line_size - 1 bytes,
// as fgets(line, line_size, file) would read them. The piece lies where it
// was read, and its text ends at its line end, the piece's last byte, or at
// a zero byte: a piece without a line end gets one behind it. Nothing is
// written after a line end, since writing next to bytes about to be read
// stalls the processor. The read_past_piece bytes behind the piece may be
// read but belong to no piece.
using line_reader = void (*)(std::span<char> piece, student_record &record);

// Prompts for a roster's name, lists it through read_line and ends the
// process: 0 when every line was listed, 1 otherwise. Hot: GCC takes a
// function that never returns for an error path and builds it small and
// slow, with a real division where a multiplication would do.
[[gnu::hot]] [[noreturn]] void list_records(line_reader read_line);
