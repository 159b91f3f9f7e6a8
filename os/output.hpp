// Text gathered for one file and written a buffer at a time: a message, or
// duomatch's few lines, leaves in one write where it fits.
#pragma once

#include "os.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace os {

inline constexpr std::size_t output_size = 4096;

struct output {
	file to = no_file;
	bool failed = false; // a write was lost: nothing more is written
	std::size_t used = 0;
	std::array<char, output_size> text{};
};

// Writes what is gathered; false once any write has failed.
inline bool flush(output &out)
{
	if (!out.failed && out.used != 0)
		out.failed = !write(out.to, out.text.data(), out.used);
	out.used = 0;
	return !out.failed;
}

inline void put(output &out, std::string_view text)
{
	while (!text.empty()) {
		if (out.used == out.text.size())
			(void)flush(out);
		const std::size_t n =
		        std::min(text.size(), out.text.size() - out.used);
		text.copy(out.text.data() + out.used, n);
		out.used += n;
		text.remove_prefix(n);
	}
}

} // namespace os
