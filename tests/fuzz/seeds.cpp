// Feeds each file named on the command line to a fuzz target once, so that
// the seeds' checks run with any compiler on every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size);

int main(int argc, char *argv[])
{
	for (int i = 1; i < argc; ++i) {
		std::ifstream file(argv[i], std::ios::binary);
		if (!file) {
			std::fprintf(stderr, "cannot read %s\n", argv[i]);
			return 1;
		}
		const std::vector<std::uint8_t> seed(
		        (std::istreambuf_iterator<char>(file)),
		        std::istreambuf_iterator<char>());
		LLVMFuzzerTestOneInput(seed.data(), seed.size());
	}
	std::printf("%d seeds\n", argc - 1);
	return 0;
}
