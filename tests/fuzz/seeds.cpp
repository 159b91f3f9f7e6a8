// Feeds each file named on the command line to a fuzz target once, so that
// the seeds' checks run with any compiler on every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

int main(int argc, char *argv[])
{
	// C's streams, not C++'s: Debian's libstdc++ for Windows is built for
	// msvcrt, and its streams fail under the UCRT.
	for (int i = 1; i < argc; ++i) {
		std::FILE *file = std::fopen(argv[i], "rb");
		if (file == nullptr) {
			std::fprintf(stderr, "cannot read %s\n", argv[i]);
			return 1;
		}
		std::vector<std::uint8_t> seed;
		int c = 0;
		while ((c = std::fgetc(file)) != EOF)
			seed.push_back(static_cast<std::uint8_t>(c));
		std::fclose(file);
		LLVMFuzzerTestOneInput(seed.data(), seed.size());
	}
	std::printf("%d seeds\n", argc - 1);
	return 0;
}
