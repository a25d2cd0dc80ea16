#include <windows.h>

#include "platform/process.h"
#include "platform/system.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

std::wstring Env(const wchar_t* name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), n));
  return value;
}

bool IsExecutableFile(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// One argument quoted the way the C runtime splits a command line again.
void AppendQuoted(const std::wstring& arg, std::wstring* line) {
  if (!line->empty()) *line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    *line += arg;
    return;
  }
  *line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line->append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    *line += c;
  }
  line->append(backslashes * 2, L'\\');
  *line += L'"';
}

}  // namespace

bool ProgramOnPath(const std::string& program) {
  if (program.empty() || program.find_first_of("/\\:") != std::string::npos) return false;
  const std::wstring name = win32::WideFromUtf8(program);
  std::wstring extensions = Env(L"PATHEXT");
  if (extensions.empty()) extensions = L".COM;.EXE;.BAT;.CMD";
  std::wstring rest = Env(L"PATH");
  while (!rest.empty()) {
    const size_t semi = rest.find(L';');
    std::wstring dir = rest.substr(0, semi);
    rest = semi == std::wstring::npos ? L"" : rest.substr(semi + 1);
    if (dir.empty()) continue;
    const std::wstring base = dir + L"\\" + name;
    if (name.find(L'.') != std::wstring::npos && IsExecutableFile(base)) return true;
    for (size_t at = 0; at <= extensions.size();) {
      const size_t end = std::min(extensions.find(L';', at), extensions.size());
      if (end > at && IsExecutableFile(base + extensions.substr(at, end - at))) return true;
      at = end + 1;
    }
  }
  return false;
}

Status RunProgram(const std::vector<std::string>& argv, std::string_view input) {
  if (argv.empty()) return {StatusCode::kInvalid, "no program to run"};
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0))
    return Status::Failed("cannot make a pipe: " + win32::ErrorText(GetLastError()));
  // Only the child's end is inherited.
  SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
  std::wstring line;
  for (const std::string& a : argv) AppendQuoted(win32::WideFromUtf8(a), &line);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = read_end;
  start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &start, &child);
  const DWORD start_error = GetLastError();
  CloseHandle(read_end);
  if (!started) {
    CloseHandle(write_end);
    return {win32::IsMissingError(start_error) ? StatusCode::kMissing : StatusCode::kFailed,
            "cannot run " + argv[0] + ": " + win32::ErrorText(start_error)};
  }
  size_t done = 0;
  while (done < input.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(input.size() - done, 1 << 20));
    if (!WriteFile(write_end, input.data() + done, chunk, &n, nullptr) || n == 0) break;
    done += n;
  }
  CloseHandle(write_end);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  if (status != 0)
    return Status::Failed(argv[0] + " failed (status " + std::to_string(status) + ")");
  return {};
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& t) {  // in units of 100 ns
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace zepa::platform
