// The listers' own number conversions against the C library's: the CGPA's
// "%f" text against printf, and the readers' parsing against strtod (the
// comma reader's double, rounded to float) and strtof (the word reader's).
#include "number_text.hpp"
#include "same_value.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <string_view>

using number_text::cgpa_text_size;
using number_text::format_cgpa;

namespace {

int failures = 0;

void check_format(float value)
{
	char ours[cgpa_text_size];
	const std::size_t n =
	        format_cgpa(value, std::span<char, cgpa_text_size>(ours));
	char theirs[cgpa_text_size + 16];
	// Some machines drop a nan's sign on its way to double.
	if (std::isnan(value))
		std::snprintf(theirs, sizeof theirs, "%snan",
		              std::signbit(value) ? "-" : "");
	else
		std::snprintf(theirs, sizeof theirs, "%f",
		              static_cast<double>(value));
	if (std::string_view(ours, n) != theirs && failures++ < 20)
		std::printf("format_cgpa(%a): %.*s, printf: %s\n",
		            static_cast<double>(value), static_cast<int>(n),
		            ours, theirs);
}

// strtod's value, or 0 where it read no number: MinGW-w64's gives -0 for
// "-." although it read nothing.
double strtod_value(const char *text)
{
	char *end = nullptr;
	const double value = std::strtod(text, &end);
	return end == text ? 0 : value;
}

// The comma reader's number is strtod's rounded to float; the word
// reader's is strtof's when complete, and otherwise refused with the CGPA
// left alone.
void check_parse(const std::string &text, bool complete = true)
{
	const float longest = number_text::longest_number(text.c_str());
	const double atof =
	        signed_as_written(strtod_value(text.c_str()), text.c_str());
	if (!rounds_to(longest, atof) && failures++ < 20)
		std::printf("longest_number(\"%s\") = %a, strtod: %a\n",
		            text.c_str(), static_cast<double>(longest), atof);
	const float unset = 42.0F;
	float f = unset;
	const bool taken = number_text::complete_number(text.c_str(), f);
	const float want_f =
	        complete ? signed_as_written(std::strtof(text.c_str(), nullptr),
	                                     text.c_str())
	                 : unset;
	if ((taken != complete || !same_value(f, want_f)) && failures++ < 20)
		std::printf("complete_number(\"%s\") = %d, %a; want %d, %a\n",
		            text.c_str(), taken ? 1 : 0, static_cast<double>(f),
		            complete ? 1 : 0, static_cast<double>(want_f));
}

// Both ways of rounding the millionths agree, the one a machine does not
// use included: whole numbers, halves and values just beside them.
void test_rounding()
{
	std::mt19937_64 random(1208); // NOLINT(cert-msc32-c,cert-msc51-cpp)
	for (int i = 0; i < 100000; ++i) {
		const auto whole = static_cast<double>(random() % (1ULL << 44));
		for (const double x :
		     {whole, whole + 0.5, std::nextafter(whole + 0.5, 0.0),
		      std::nextafter(whole + 0.5, 1e300), whole + 0.25}) {
			const std::uint32_t a =
			        number_text::rounded_low_bits(x);
			const std::uint32_t b =
			        number_text::rounded_low_bits_by_fraction(x);
			if (a != b && failures++ < 20)
				std::printf("rounded %a: %u, by fraction %u\n",
				            x, a, b);
		}
	}
}

void test_format()
{
	constexpr float inf = std::numeric_limits<float>::infinity();
	for (const float v : {0.0F,
	                      -0.0F,
	                      inf,
	                      -inf,
	                      std::numeric_limits<float>::max(),
	                      -std::numeric_limits<float>::max(),
	                      std::numeric_limits<float>::denorm_min(),
	                      -std::numeric_limits<float>::min(),
	                      0.0078125F,
	                      0.0234375F,
	                      -0.0000005F,
	                      0.0000005F,
	                      0.0000015F,
	                      9.1F,
	                      8.72F,
	                      1e12F,
	                      1e13F,
	                      16777216.0F,
	                      9.2e18F,
	                      1.8446744e19F,
	                      4e19F})
		check_format(v);
	check_format(std::bit_cast<float>(0x7fc00000U)); // nan
	check_format(std::bit_cast<float>(0xffc00000U)); // -nan
	check_format(std::bit_cast<float>(0x7f800001U)); // signalling nan
	// Every power of two and its neighbours.
	for (int e = -149; e <= 127; ++e) {
		const float p = std::ldexp(1.0F, e);
		for (const float v :
		     {p, std::nextafter(p, 0.0F), std::nextafter(p, inf), -p})
			check_format(v);
	}
	// Halfway cases: an odd multiple of 2^-7 is exactly halfway between
	// two millionths.
	for (std::uint32_t m = 1; m < (1U << 24); m += 2 * 9973)
		check_format(std::ldexp(static_cast<float>(m), -7));
	// A spread of all bit patterns.
	for (std::uint64_t bits = 0; bits <= 0xffffffffU; bits += 4099)
		check_format(
		        std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
}

// 8.000004291534424 is a double on a float's midpoint, which goes to the
// even float: rounded once from the text, it would go up.
void test_parse()
{
	for (const char *text : {"0",
	                         "-0",
	                         "+0",
	                         "8.5",
	                         "9.1",
	                         "-9.1",
	                         "+.5",
	                         "5.",
	                         "007.250",
	                         "5e1",
	                         "1e39",
	                         "-1e39",
	                         "1e-40",
	                         "1e-46",
	                         "-1e-50",
	                         "1e309",
	                         "1e-400",
	                         "2.5e",
	                         "1e+",
	                         "1e-5",
	                         "1E5",
	                         "3.4028235e38",
	                         "3.4028236e38",
	                         "16777217",
	                         "16777217.000000001",
	                         "16777219",
	                         "0.1",
	                         "0.2",
	                         "0.3",
	                         "123456789012345678901234567890",
	                         "0.000000000000000000000000000001234567",
	                         "4.9406564584124654e-324",
	                         "2.2250738585072011e-308",
	                         "1.00000005960464477539062",
	                         "1.00000005960464477539063",
	                         "9007199254740993",
	                         "8.000004291534424",
	                         "0x1p3",
	                         "0x1.8p",
	                         "0X1P-149",
	                         "0x.8",
	                         "0xffffffffffffffffffffp0",
	                         "-0x1p-1075",
	                         "0x1.fffffffffffff8p1023",
	                         "inf",
	                         "-inf",
	                         "INFINITY",
	                         "infx",
	                         "nan",
	                         "-nan",
	                         "NaN(123)",
	                         "-NaN(123)",
	                         "+nan",
	                         "-Infinity",
	                         "NAN",
	                         "0XA",
	                         "1.5\r\n",
	                         "12.34,",
	                         "0x1p",
	                         "1.e5",
	                         "0x1p+"})
		check_parse(text);
	for (const char *text :
	     {"", "-", "+", ".", "-.", "+.e5", "e5", "0x", "-0x", "0x.", "0xg",
	      "i", "in", "infi", "infin", "-infinit", "n", "na", "abc"})
		check_parse(text, false);

	// Shortest, float-exact and double-exact texts of random floats, and
	// random digit strings with a point somewhere.
	// The same values every run, so that a failure can be repeated.
	std::mt19937_64 random(20261208); // NOLINT(cert-msc32-c,cert-msc51-cpp)
	char text[64];
	for (int i = 0; i < 200000; ++i) {
		const auto bits = static_cast<std::uint32_t>(random());
		const float v = std::bit_cast<float>(bits);
		if (std::isnan(v))
			continue;
		const auto wide = static_cast<double>(v);
		for (const int precision : {9, 17}) {
			std::snprintf(text, sizeof text, "%.*g", precision,
			              wide);
			check_parse(text);
		}
		std::snprintf(text, sizeof text, "%.2f", wide);
		check_parse(text);
		std::snprintf(text, sizeof text, "%.8e", wide);
		check_parse(text);
		std::string digits(1 + static_cast<std::size_t>(random() % 24),
		                   '0');
		for (char &c : digits)
			c = static_cast<char>('0' + random() % 10);
		digits.insert(static_cast<std::size_t>(random()) %
		                      (digits.size() + 1),
		              1, '.');
		check_parse(digits);
		// A few digits far behind the point, where a power of ten is
		// no longer exact in a float.
		check_parse("0." + std::string(random() % 16, '0') +
		            std::to_string(random() % 10000000));
	}
}

} // namespace

int main()
{
	test_rounding();
	test_format();
	test_parse();
	std::printf("%d mismatches\n", failures);
	return failures == 0 ? 0 : 1;
}
