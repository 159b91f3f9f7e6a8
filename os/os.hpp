// What the programs ask of the operating system. posix.cpp and windows.cpp
// beside this file each do all of it their system's way; nothing else in
// the programs names a system call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

// An open file: a descriptor, or a handle.
using file = std::intptr_t;
inline constexpr file no_file = -1;

file standard_input();
file standard_output();
file standard_error();

// Reads what the file has ready, up to size bytes, into buffer: how many,
// 0 at its end, -1 on an error. A console's typed text comes as UTF-8,
// each line ending in a line end alone.
std::ptrdiff_t read(file from, char *buffer, std::size_t size);

// Writes all of text; false on an error. A console shows UTF-8 text as its
// characters, whatever its code page.
bool write(file to, const char *text, std::size_t size);

// A terminal, a console, or the pipe of a terminal (Git Bash's): it shows
// what is written as it comes.
bool is_terminal(file f);

// Standard input can be moved back over bytes read past what was wanted:
// a file can, a pipe or a terminal cannot.
bool input_seekable();
void unread_input(std::size_t size);

// Opens a roster, named in UTF-8, for reading; no_file where it cannot be.
// One that is standard input's own file is standard input, read on from
// where it stands: opened anew, a file would start over and a FIFO would
// wait for a writer that may have left.
file open_roster(const char *name);

// Standard output, closed: false where the system then reports an error
// that earlier writes did not.
bool close_output();

// Hands main's arguments over as UTF-8 where the system holds them otherwise
// (Windows, in UTF-16, each kept whole); elsewhere they stay as given.
void utf8_arguments(int &argc, char **&argv);

// Ends the process with status. A program whose console window is its own,
// and closes with it, first waits for Enter so that its last lines stay
// readable.
[[noreturn]] void exit(int status);

} // namespace os
