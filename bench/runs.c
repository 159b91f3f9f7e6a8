/*
 * runs N INPUT COMMAND [ARG...]: runs COMMAND N times, each with standard
 * input from INPUT and standard output to /dev/null, and prints the mean CPU
 * time of a run in microseconds (user and system, as the kernel counts them
 * for the child) and the largest peak resident memory in KiB.
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

static double micros(struct timeval t)
{
	return t.tv_sec * 1e6 + t.tv_usec;
}

int main(int argc, char *argv[])
{
	double cpu = 0;
	long peak = 0;
	int n, i;

	if (argc < 4 || (n = atoi(argv[1])) <= 0) {
		fputs("usage: runs N INPUT COMMAND [ARG...]\n", stderr);
		return 2;
	}
	for (i = 0; i < n; i++) {
		struct rusage usage;
		int status;
		pid_t pid = fork();

		if (pid == 0) {
			int in = open(argv[2], O_RDONLY);
			int out = open("/dev/null", O_WRONLY);

			if (in < 0 || out < 0 || dup2(in, 0) < 0 ||
			    dup2(out, 1) < 0)
				_exit(126);
			execvp(argv[3], argv + 3);
			_exit(127);
		}
		if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) {
			perror("runs");
			return 2;
		}
		if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
			fprintf(stderr, "runs: %s failed\n", argv[3]);
			return 1;
		}
		cpu += micros(usage.ru_utime) + micros(usage.ru_stime);
		if (usage.ru_maxrss > peak)
			peak = usage.ru_maxrss;
	}
	printf("%.1f %ld\n", cpu / n, peak);
	return 0;
}
