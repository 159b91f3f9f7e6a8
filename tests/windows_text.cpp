// What the Windows programs do to text, checked on any system: UTF-8 shown
// at a console, typed lines, names and arguments kept whole, and the pipes
// that stand for a terminal.
#include "windows_text.hpp"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace text = os::windows_text;
using namespace std::string_view_literals;
using units = std::basic_string<text::unit>;

namespace {

int failures = 0;

units wide(std::u16string_view text)
{
	return {text.begin(), text.end()};
}

void check(bool ok, const char *what, std::string_view case_text)
{
	if (!ok && failures++ < 20) {
		std::printf("%s:", what);
		for (const char c : case_text.substr(0, 40))
			std::printf(" %02x", static_cast<unsigned char>(c));
		std::printf(case_text.size() > 40 ? " ...\n" : "\n");
	}
}

// What a console is given for bytes written in the pieces cut at the
// offsets, with room for room units a call: and no call may end inside a
// character's pair of units.
units shown(std::string_view bytes, std::vector<std::size_t> cuts,
            std::size_t room = 64)
{
	text::utf8_decoder decoder{};
	units all;
	std::vector<text::unit> buffer(room);
	cuts.push_back(bytes.size());
	std::size_t from = 0;
	for (const std::size_t cut : cuts) {
		std::string_view piece = bytes.substr(from, cut - from);
		from = cut;
		do {
			const text::decoded step =
			        text::decode_utf8(decoder, piece, buffer);
			piece.remove_prefix(step.taken);
			all.append(buffer.data(), step.made);
			check(step.made == 0 || !text::is_high_surrogate(
			                                buffer[step.made - 1]),
			      "a pair split between two writes", bytes);
		} while (!piece.empty());
	}
	if (text::end_text(decoder))
		all.push_back(text::replacement);
	return all;
}

void test_console_output()
{
	constexpr text::unit bad = text::replacement;
	const struct {
		std::string_view bytes;
		units want;
	} rows[] = {
	        // the last Hangul syllables (\xed\x95\x9c, U+D55C) share
	        // their lead with the surrogates
	        {"Zo\xc3\xab \xe6\x9d\x8e \xed\x95\x9c",
	         {'Z', 'o', 0xeb, ' ', 0x674e, ' ', 0xd55c}},
	        {"\xe0\xa4\xb9\xf0\x9f\x98\x80.", {0x939, 0xd83d, 0xde00, '.'}},
	        {"\xf0\x90\x80\x80\xf1\x90\x80\x80",
	         {0xd800, 0xdc00, 0xd900, 0xdc00}},
	        // broken: a stray byte, a lead cut short, one of each
	        {"a\x80\0\xff"sv, {'a', bad, 0, bad}},
	        {"\xe2\x82x\xf0\x9f\x98", {bad, 'x', bad}},
	        // overlong forms, surrogates and past U+10FFFF
	        {"\xc0\xaf\xe0\x80\xaf", {bad, bad, bad, bad, bad}},
	        {"\xed\xa0\x80", {bad, bad, bad}},
	        {"\xf4\x90\x80\x80", {bad, bad, bad, bad}},
	        {"\xef\xbf\xbd\xf4\x8f\xbf\xbf", {0xfffd, 0xdbff, 0xdfff}},
	};
	for (const auto &row : rows) {
		check(shown(row.bytes, {}) == row.want, "shown", row.bytes);
		// Split at every byte, and given room for a unit or two.
		for (std::size_t cut = 0; cut <= row.bytes.size(); ++cut)
			check(shown(row.bytes, {cut}) == row.want,
			      "shown in two writes", row.bytes);
		for (std::size_t room = 2; room < 4; ++room)
			check(shown(row.bytes, {}, room) == row.want,
			      "shown a unit at a time", row.bytes);
	}
}

// What reads of the console hand on, read by read.
std::string typed(std::vector<units> reads)
{
	text::typed_text state{};
	std::string all;
	reads.emplace_back(); // the end of input
	for (const units &read : reads) {
		std::copy(read.begin(), read.end(),
		          state.units.begin() +
		                  static_cast<std::ptrdiff_t>(state.held));
		all.append(state.bytes.data(),
		           text::typed_bytes(state, read.size()));
	}
	return all;
}

void test_typed_lines()
{
	// A whole read of characters of three bytes each, pasted.
	const units han(text::typed_units, 0x674e);
	std::string han_bytes;
	for (std::size_t i = 0; i < han.size(); ++i)
		han_bytes += "\xe6\x9d\x8e";
	const std::string named = "CONIN$\nA1,Zo\xc3\xab\n" + han_bytes;
	const struct {
		std::vector<units> reads;
		std::string_view want;
	} rows[] = {
	        {{wide(u"CONIN$\r\n"), wide(u"A1,Zo\u00eb\r\n"), han}, named},
	        // CR LF cut between two reads
	        {{wide(u"ab\r"), wide(u"\ncd\r"), wide(u"\n")}, "ab\ncd\n"},
	        // a CR alone stays, also the last one typed
	        {{wide(u"a\rb\r\r\n"), wide(u"\r")}, "a\rb\r\n\r"},
	        // a pair cut between two reads; a surrogate alone kept whole
	        {{wide(u"\xd83d"), wide(u"\xde00\r\n")}, "\xf0\x9f\x98\x80\n"},
	        {{wide(u"\xdc00x\xd800")}, "\xed\xb0\x80x\xed\xa0\x80"},
	};
	for (const auto &row : rows)
		check(typed(row.reads) == row.want, "typed", row.want);
}

// Arguments and names: the same text always gives the same bytes,
// different texts different ones, and the bytes give the text back.
void test_lossless()
{
	const struct {
		units utf16;
		std::string_view bytes;
	} rows[] = {
	        {wide(u""), ""},
	        {wide(u"Zo\u00eb.csv"), "Zo\xc3\xab.csv"},
	        {wide(u"\xd800"), "\xed\xa0\x80"},
	        {wide(u"\xd801z"), "\xed\xa0\x81z"},
	        {wide(u"a\xd800"), "a\xed\xa0\x80"},
	        {wide(u"a\xdc00"), "a\xed\xb0\x80"},
	        {wide(u"\xdbff\xdfff\xd800\xdc00"),
	         "\xf4\x8f\xbf\xbf\xf0\x90\x80\x80"},
	        {wide(u"\xdc00\xd800"), "\xed\xb0\x80\xed\xa0\x80"},
	};
	for (const auto &row : rows) {
		std::string bytes(3 * row.utf16.size(), '\0');
		bytes.resize(text::encode_wtf8(row.utf16, bytes));
		check(bytes == row.bytes, "encoded", row.bytes);
		units back(row.utf16.size() + 1, 0);
		check(text::decode_wtf8(row.bytes, back) &&
		              back == row.utf16 + text::unit{0},
		      "decoded", row.bytes);
	}
	// Not names: broken bytes, and a pair written as two surrogates.
	for (const std::string_view bytes :
	     {"\xff", "a\xc3", "\xed\xa0\xbd\xed\xb8\x80", "\xc0\xae"}) {
		units back(8, 0);
		check(!text::decode_wtf8(bytes, back), "decoded", bytes);
	}
	units small(3, 0);
	check(!text::decode_wtf8("abc", small), "decoded past its room", "abc");
}

void test_terminal_pipes()
{
	for (const units &name :
	     {wide(u"\\msys-1888ae32e00d56aa-pty0-to-master"),
	      wide(u"\\msys-dd50a72ab4668b33-pty12-from-master"),
	      wide(u"\\cygwin-e022582115c1087f-pty3-from-master-nat")})
		check(text::is_terminal_pipe(name), "a terminal", "");
	for (const units &name :
	     {wide(u"\\msys-1888ae32e00d56aa-pty0"),
	      wide(u"\\msys--pty0-to-master"),
	      wide(u"\\msys-1888ae32e00d56aa-ptyx-to-master"),
	      wide(u"msys-1888ae32e00d56aa-pty0-to-master"),
	      wide(u"\\other-1888ae32e00d56aa-pty0-to-master")})
		check(!text::is_terminal_pipe(name), "not a terminal", "");
}

} // namespace

int main()
{
	test_console_output();
	test_typed_lines();
	test_lossless();
	test_terminal_pipes();
	if (failures != 0)
		std::printf("%d failures\n", failures);
	return failures == 0 ? 0 : 1;
}
