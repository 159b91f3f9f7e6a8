// peak_rss FILE COMMAND [ARG...]: runs COMMAND, writes its peak resident
// memory in KiB to FILE and exits with its status.
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
	if (argc < 3) {
		std::fputs("usage: peak_rss FILE COMMAND [ARG...]\n", stderr);
		return 2;
	}
	const pid_t pid = fork();
	if (pid == 0) {
		execvp(argv[2], argv + 2);
		_exit(127);
	}
	int status = 0;
	rusage usage{};
	if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) {
		std::perror("peak_rss");
		return 2;
	}
#ifdef __APPLE__
	const long kib = usage.ru_maxrss / 1024; // bytes there
#else
	const long kib = usage.ru_maxrss;
#endif
	std::FILE *out = std::fopen(argv[1], "w");
	if (out == nullptr || std::fprintf(out, "%ld\n", kib) < 0 ||
	    std::fclose(out) != 0) {
		std::perror(argv[1]);
		return 2;
	}
	return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
