// Prompts for a roster's name, then writes one report line for every piece
// of it read. Output is checked at exit, so a lost report is never a success.
#include "record_listing.hpp"

#include "number_text.hpp"
#include "os.hpp"
#include "output.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

namespace {

constexpr std::string_view prompt = "Enter the input file name: ";
constexpr std::string_view long_name = ": name longer than 39 bytes";
constexpr std::size_t block_size = std::size_t{1} << 16;

// "Reg. No. = %s, Name = %s, CGPA = %f\n", built here: printf's general
// machinery cost more than all the rest of a line.
constexpr std::string_view reg_no_label = "Reg. No. = ";
constexpr std::string_view name_label = ", Name = ";
constexpr std::string_view cgpa_label = ", CGPA = ";
constexpr std::size_t report_size =
        reg_no_label.size() + field_size + name_label.size() + field_size +
        cgpa_label.size() + number_text::cgpa_text_size + 1;

// Report lines gather here and go to standard output a block at a time,
// one write each, after the prompt. At file scope, so that a failure hands
// over what came before it.
struct report_block {
	bool prompt_shown;
	bool prompt_lost; // its write failed: so has the run
	std::size_t used;
	std::array<char, block_size> text;
};
report_block reports;

// The roster as read: pieces are cut where they lie. A read lands behind
// the part of a piece left over from the last block, and behind the data is
// room for the zero byte that ends a piece and what a reader may read past
// it.
struct input_block {
	os::file file;
	std::size_t start; // of the first piece not yet listed
	std::size_t end;   // of the data read
	bool ended;        // the end of the file was seen
	std::array<char, (line_size - 1) + block_size + read_past_piece> data;
};

// The prompt goes out before the first reports, before the name is read
// from a terminal, or at the end: where both streams go to one file, an
// open failure's message comes first.
bool show_prompt()
{
	if (!reports.prompt_shown) {
		reports.prompt_shown = true;
		reports.prompt_lost = !os::write(os::standard_output(),
		                                 prompt.data(), prompt.size());
	}
	return !reports.prompt_lost;
}

bool hand_over_reports()
{
	const std::size_t used = reports.used;
	reports.used = 0;
	return used == 0 ||
	       (show_prompt() &&
	        os::write(os::standard_output(), reports.text.data(), used));
}

// A message goes to standard error at once, in one write where it fits.
// The reports gathered before it go out first.
os::output message;

void begin_message(std::string_view text)
{
	(void)hand_over_reports();
	message.to = os::standard_error();
	os::put(message, text);
}

[[noreturn]] void end_message(std::string_view text = "")
{
	os::put(message, text);
	os::put(message, "\n");
	(void)os::flush(message);
	(void)show_prompt();
	os::exit(EXIT_FAILURE);
}

[[noreturn]] void fail(std::string_view message_text,
                       std::string_view name = "")
{
	begin_message(message_text);
	end_message(name);
}

[[noreturn]] void finish()
{
	if (!hand_over_reports() || !show_prompt() || !os::close_output())
		fail("Error writing standard output");
	os::exit(EXIT_SUCCESS);
}

// Standard input while the name is read from it. Nothing past the byte that
// ends the word is taken: a roster piped in behind its name (/dev/stdin)
// must find its lines still there. A pipe or a terminal is read a byte at a
// time; a file is read a block at a time and what was read past that byte
// is handed back by seeking.
struct name_input {
	bool seekable;
	std::size_t next;
	std::size_t end;
	std::array<char, file_name_size> data;
};

// The next byte typed, or EOF at the end of input or on a read error.
int next_byte(name_input &input)
{
	if (input.next == input.end) {
		const std::ptrdiff_t n =
		        os::read(os::standard_input(), input.data.data(),
		                 input.seekable ? input.data.size() : 1);
		if (n <= 0)
			return EOF;
		input.next = 0;
		input.end = static_cast<std::size_t>(n);
	}
	return static_cast<unsigned char>(input.data[input.next++]);
}

void give_back(const name_input &input)
{
	if (input.next != input.end)
		os::unread_input(input.end - input.next);
}

// A name too long for its field is refused whole, never opened cut down,
// and the message says so. The word is echoed as typed, however long.
[[noreturn]] void refuse_name(std::span<const char> name, int c,
                              name_input &input)
{
	begin_message("Error opening file ");
	os::put(message, {name.data(), name.size()});
	do {
		const char byte = static_cast<char>(c);
		os::put(message, {&byte, 1});
	} while ((c = next_byte(input)) != EOF &&
	         !byte_scan::is_space(static_cast<char>(c)));
	end_message(long_name);
}

// Reads one whitespace-separated word, as scanf("%s") would, leaving the rest
// of the typed line unread. At a terminal the prompt shows first.
void read_file_name(char (&name)[file_name_size], bool terminal)
{
	if (terminal)
		(void)show_prompt();
	name_input input{};
	input.seekable = os::input_seekable();
	int c = 0;
	while ((c = next_byte(input)) != EOF &&
	       byte_scan::is_space(static_cast<char>(c))) {
	}
	if (c == EOF)
		fail("No input file name given");
	std::size_t n = 0;
	do {
		if (n == file_name_size - 1)
			refuse_name({name, n}, c, input);
		name[n++] = static_cast<char>(c);
	} while ((c = next_byte(input)) != EOF &&
	         !byte_scan::is_space(static_cast<char>(c)));
	give_back(input);
	name[n] = '\0';
	// No file has a zero byte in its name; opening what comes before it
	// would open another file than the one typed.
	if (std::memchr(name, '\0', n) != nullptr)
		fail("Error opening file ", {name, n});
}

// The next whole piece in the block, as fgets(line, line_size, file) would
// read it: up to and including a line end, at most line_size - 1 bytes, or
// the rest of the file. Empty when the block holds no whole piece.
std::span<char> whole_piece(input_block &input)
{
	char *const from = input.data.data() + input.start;
	const std::size_t room =
	        std::min(input.end - input.start, line_size - 1);
	if (const char *const line_end = byte_scan::find_line_end(from, room))
		return {from, static_cast<std::size_t>(line_end - from) + 1};
	if (room == line_size - 1 || (input.ended && room != 0))
		return {from, room};
	return {};
}

// Moves the start of a piece to the front and reads behind it whatever the
// file has ready, up to a block: a terminal or a pipe is not waited on for
// more. False on a read error.
bool read_block(input_block &input)
{
	const std::size_t rest = input.end - input.start;
	std::memmove(input.data.data(), input.data.data() + input.start, rest);
	input.start = 0;
	input.end = rest;
	const std::ptrdiff_t n =
	        os::read(input.file, input.data.data() + rest, block_size);
	if (n < 0)
		return false;
	input.end += static_cast<std::size_t>(n);
	input.ended = n == 0;
	return true;
}

// A piece without a line end, the rare one, ends in a zero byte while it is
// read; the byte it covers may be the start of the next piece.
void read_piece(line_reader read_line, std::span<char> piece,
                student_record &record)
{
	if (piece.back() == '\n') {
		read_line(piece, record);
		return;
	}
	char *const after = piece.data() + piece.size();
	const char kept = *after;
	*after = '\0';
	read_line(piece, record);
	*after = kept;
}

char *append(char *out, std::string_view text)
{
	return std::copy(text.begin(), text.end(), out);
}

// The whole field is copied, a fixed size, and the zero byte marks where
// the next text goes.
char *append_field(char *out, const char (&field)[field_size])
{
	std::memcpy(out, field, field_size);
	static_assert(field_size % byte_scan::block == 0,
	              "a search for the zero byte stays inside the field");
	return out + (byte_scan::find_zero(field) - field);
}

void write_report(const student_record &record)
{
	// No use reading on once the report is lost.
	if (reports.used > reports.text.size() - report_size &&
	    !hand_over_reports())
		fail("Error writing standard output");
	char *const line = reports.text.data() + reports.used;
	char *out = append(line, reg_no_label);
	out = append_field(out, record.reg_no);
	out = append(out, name_label);
	out = append_field(out, record.name);
	out = append(out, cgpa_label);
	out += number_text::format_cgpa(
	        record.cgpa, std::span<char, number_text::cgpa_text_size>(
	                             out, number_text::cgpa_text_size));
	*out++ = '\n';
	reports.used += static_cast<std::size_t>(out - line);
}

} // namespace

void list_records(line_reader read_line)
{
	static input_block input;
	// A record that no line has filled yet reports empty fields and 0.
	student_record record{};
	char file_name[file_name_size];
	// A terminal shows each report as its line arrives.
	const bool terminal = os::is_terminal(os::standard_output());

	read_file_name(file_name, terminal);
	input.file = os::open_roster(file_name);
	if (input.file == os::no_file)
		fail("Error opening file ", file_name);
	for (;;) {
		const std::span<char> piece = whole_piece(input);
		if (piece.empty()) {
			if (input.ended)
				break;
			if (terminal && !hand_over_reports())
				fail("Error writing standard output");
			// A piece the failed read cut short is not listed.
			if (!read_block(input))
				fail("Error reading file ", file_name);
			continue;
		}
		read_piece(read_line, piece, record);
		input.start += piece.size();
		write_report(record);
	}
	finish();
}
