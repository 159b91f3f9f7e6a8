// Starts a Windows program as the suites cannot from a Unix shell:
//
//   launch PROGRAM [ARG...]   with arguments in which \uHHHH stands for
//                             that UTF-16 unit, a lone surrogate even;
//   launch --pty NAME PROGRAM with standard input and output pipes named
//                             as Git Bash's terminal names them: NAME and a
//                             line end are written only once the program
//                             has written something, within ten seconds;
//   launch --handed PROGRAM   handed this console's handles, as a shell
//                             hands them, with the console left to it.
//
// Standard output is the program's; the status is its own, or 3 where
// nothing came before the name.
#include <cwchar>
#include <string>
#include <windows.h>

namespace {

// Quoted for the command line as the C runtime splits it.
void append_quoted(std::wstring &line, const std::wstring &word)
{
	line += L'"';
	std::size_t slashes = 0;
	for (const wchar_t c : word) {
		if (c == L'\\') {
			++slashes;
			continue;
		}
		line.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
		slashes = 0;
		line += c;
	}
	line.append(2 * slashes, L'\\');
	line += L"\" ";
}

// \uHHHH in word stands for that UTF-16 unit.
std::wstring unescaped(const wchar_t *word)
{
	std::wstring out;
	for (; *word != 0; ++word) {
		if (word[0] == L'\\' && word[1] == L'u' &&
		    std::wcsspn(word + 2, L"0123456789abcdefABCDEF") >= 4) {
			out += static_cast<wchar_t>(
			        std::wcstoul(std::wstring(word + 2, 4).c_str(),
			                     nullptr, 16));
			word += 5;
			continue;
		}
		out += *word;
	}
	return out;
}

bool start(std::wstring line, STARTUPINFOW &info, PROCESS_INFORMATION &process)
{
	return CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
	                      nullptr, nullptr, &info, &process) != 0;
}

int status_of(const PROCESS_INFORMATION &process)
{
	WaitForSingleObject(process.hProcess, INFINITE);
	DWORD status = 2;
	GetExitCodeProcess(process.hProcess, &status);
	return static_cast<int>(status);
}

// Starts program with the standard input and output given, as a shell
// hands them over.
bool start_handed(const wchar_t *program, HANDLE input, HANDLE output,
                  PROCESS_INFORMATION &process)
{
	STARTUPINFOW info{};
	info.cb = sizeof info;
	info.dwFlags = STARTF_USESTDHANDLES;
	info.hStdInput = input;
	info.hStdOutput = output;
	info.hStdError = GetStdHandle(STD_ERROR_HANDLE);
	std::wstring line;
	append_quoted(line, program);
	return start(line, info, process);
}

HANDLE pipe_end(const wchar_t *name, DWORD access)
{
	SECURITY_ATTRIBUTES inherited{};
	inherited.nLength = sizeof inherited;
	inherited.bInheritHandle = TRUE;
	return CreateFileW(name, access, 0, &inherited, OPEN_EXISTING, 0,
	                   nullptr);
}

int run_on_pty(const wchar_t *name, const wchar_t *program)
{
	const wchar_t *to =
	        L"\\\\.\\pipe\\msys-1888ae32e00d56aa-pty0-to-master";
	const wchar_t *from =
	        L"\\\\.\\pipe\\msys-1888ae32e00d56aa-pty0-from-master";
	const HANDLE output = CreateNamedPipeW(to, PIPE_ACCESS_INBOUND, 0, 1,
	                                       4096, 4096, 0, nullptr);
	const HANDLE input = CreateNamedPipeW(from, PIPE_ACCESS_OUTBOUND, 0, 1,
	                                      4096, 4096, 0, nullptr);
	const HANDLE its_input = pipe_end(from, GENERIC_READ);
	const HANDLE its_output = pipe_end(to, GENERIC_WRITE);
	PROCESS_INFORMATION process{};
	if (!start_handed(program, its_input, its_output, process))
		return 2;
	// The program's ends are its own: the pipes end when it does.
	CloseHandle(its_input);
	CloseHandle(its_output);
	DWORD ready = 0;
	for (int i = 0; i < 200 && ready == 0; ++i) {
		if (PeekNamedPipe(output, nullptr, 0, nullptr, &ready,
		                  nullptr) == 0)
			break;
		if (ready == 0)
			Sleep(50);
	}
	if (ready == 0)
		return 3;
	std::string typed;
	for (; *name != 0; ++name)
		typed += static_cast<char>(*name);
	typed += '\n';
	DWORD n = 0;
	WriteFile(input, typed.data(), static_cast<DWORD>(typed.size()), &n,
	          nullptr);
	CloseHandle(input);
	char buffer[4096];
	while (ReadFile(output, buffer, sizeof buffer, &n, nullptr) != 0 &&
	       n != 0)
		WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, n, &n,
		          nullptr);
	return status_of(process);
}

// A shell's way: the program is handed the handles, and the console is
// left to it alone.
int run_handed(const wchar_t *program)
{
	PROCESS_INFORMATION process{};
	if (!start_handed(program, GetStdHandle(STD_INPUT_HANDLE),
	                  GetStdHandle(STD_OUTPUT_HANDLE), process))
		return 2;
	FreeConsole();
	return status_of(process);
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
	if (argc == 4 && std::wcscmp(argv[1], L"--pty") == 0)
		return run_on_pty(argv[2], argv[3]);
	if (argc == 3 && std::wcscmp(argv[1], L"--handed") == 0)
		return run_handed(argv[2]);
	if (argc < 2)
		return 2;
	std::wstring line;
	append_quoted(line, argv[1]);
	for (int i = 2; i < argc; ++i)
		append_quoted(line, unescaped(argv[i]));
	STARTUPINFOW info{};
	info.cb = sizeof info;
	PROCESS_INFORMATION process{};
	return start(line, info, process) ? status_of(process) : 2;
}
