// The file operations of platform/files.h on Windows, through the
// wide-character API so that names never pass the system's ANSI code page.
#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "platform/system_files.h"
#include "platform/win32/win32_text.h"

namespace zepa::platform {
namespace {

using win32::DescribeLastError;
using win32::IsMissingError;
using win32::WidePath;

// How long a replace or an in-place rewrite waits for another program (a
// virus scanner, a backup tool) to let go of the file.
constexpr DWORD kLockWaitMs = 2000;
// A temporary of ours older than this is no longer being written by anyone.
constexpr ULONGLONG kStaleTemporaryMs = 60 * 1000;

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }
  bool Close() {
    if (!Ok()) return true;
    const bool closed = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

bool IsSharingError(DWORD e) { return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION; }

std::string Folder(const std::string& path) {
  const size_t start = win32::LastNameStart(path);
  if (start == 0) return ".";
  const size_t slash = start - 1;
  if (slash == 0) return path.substr(0, 1);
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

std::string LastComponent(const std::string& path) { return path.substr(win32::LastNameStart(path)); }

// What a name is, links (reparse points) followed to their target.
PathKind KindOf(const std::wstring& wide, DWORD* error) {
  *error = 0;
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = GetLastError();
    return IsMissingError(*error) ? PathKind::kMissing : PathKind::kFailed;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    Handle h(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.Ok() || !GetFileInformationByHandle(h.Get(), &info)) {
      *error = GetLastError();
      return IsMissingError(*error) ? PathKind::kMissing : PathKind::kFailed;
    }
    attributes = info.dwFileAttributes;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kDirectory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::kOther;
  return PathKind::kRegular;
}

// The name a link at `path` leads to (the name itself when it is no link).
std::string FinalName(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return path;
  Handle h(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Ok()) return path;
  std::wstring final_name(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h.Get(), final_name.data(),
                                      static_cast<DWORD>(final_name.size()), 0);
  if (n >= final_name.size()) {
    final_name.resize(n + 1);
    n = GetFinalPathNameByHandleW(h.Get(), final_name.data(), static_cast<DWORD>(final_name.size()),
                                  0);
  }
  if (n == 0) return path;
  final_name.resize(n);
  if (final_name.rfind(L"\\\\?\\", 0) == 0) final_name.erase(0, 4);
  std::string out = win32::Utf8FromWide(final_name);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool ReadAll(HANDLE h, std::string* out, size_t max_bytes, bool* too_large) {
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h, buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) return true;
    // The file may grow while we read it; the bound still holds.
    if (out->size() + n > max_bytes) {
      *too_large = true;
      return true;
    }
    out->append(buffer, n);
  }
}

bool Seek(HANDLE h, uint64_t offset) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(h, at, nullptr, FILE_BEGIN) != 0;
}

bool SetLength(HANDLE h, uint64_t length) { return Seek(h, length) && SetEndOfFile(h) != 0; }

// Opens with retries while another program holds the file.
HANDLE OpenWaiting(const std::wstring& wide, DWORD access, DWORD share, DWORD disposition) {
  for (DWORD waited = 0;; waited += 10) {
    HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE || !IsSharingError(GetLastError()) || waited >= kLockWaitMs)
      return h;
    Sleep(10);
  }
}

ReplaceResult Failed(const std::string& path) {
  return {ReplaceStatus::kFailed, DescribeLastError(path)};
}

// The folder is not ours to create files in, but the file is writable: the
// bytes go into the file itself, opened for us alone so that two writers at
// once still leave one whole content. The space is reserved first and the
// old bytes kept, so a full disk or a failure half way puts them back.
ReplaceResult RewriteInPlace(const std::string& path, std::string_view bytes) {
  Handle h(OpenWaiting(WidePath(path), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING));
  if (!h.Ok()) {
    if (IsSharingError(GetLastError()))
      return {ReplaceStatus::kFailed, path + ": another program holds the file"};
    return Failed(path);
  }
  std::string old;
  bool too_large = false;
  if (!ReadAll(h.Get(), &old, SIZE_MAX, &too_large)) return Failed(path);
  if (!SetLength(h.Get(), std::max(old.size(), bytes.size())))
    return {ReplaceStatus::kFailed,
            DescribeLastError(path) + " (no room to rewrite it in place; left as it was)"};
  ReplaceResult result{ReplaceStatus::kWrittenInPlace, ""};
  if (!Seek(h.Get(), 0) || !WriteAll(h.Get(), bytes) || !FlushFileBuffers(h.Get()) ||
      !SetLength(h.Get(), bytes.size()) || !FlushFileBuffers(h.Get())) {
    result = Failed(path);
    if (!Seek(h.Get(), 0) || !WriteAll(h.Get(), old) || !SetLength(h.Get(), old.size()) ||
        !FlushFileBuffers(h.Get()))
      result.error += " (and the old content could not be put back)";
  }
  if (!h.Close() && result.written()) result = Failed(path);
  return result;
}

ULONGLONG AgeMs(const FILETIME& written) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG a = (ULONGLONG{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  const ULONGLONG b = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return b > a ? (b - a) / 10000 : 0;
}

// Removes the temporaries that earlier kills left in `folder`: only files of
// exactly that pattern whose NAME is there too (or is being written now).
void RemoveStaleTemporaries(const std::string& folder, const std::string& writing) {
  std::optional<std::vector<DirEntry>> entries = ListFolder(folder);
  if (!entries) return;
  for (const DirEntry& e : *entries) {
    std::string base;
    if (e.kind != PathKind::kRegular || !IsTemporaryName(e.name, &base)) continue;
    const std::string full = folder + "/" + e.name;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(full).c_str(), GetFileExInfoStandard, &data) ||
        AgeMs(data.ftLastWriteTime) < kStaleTemporaryMs)
      continue;
    if (base != writing && ProbePath(folder + "/" + base) != PathKind::kRegular) continue;
    DeleteFileW(WidePath(full).c_str());
  }
}

std::string TemporaryName(const std::string& target) {
  static std::mt19937 random{std::random_device{}() ^ GetCurrentProcessId()};
  static constexpr char kAlnum[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string name = target + ".";
  for (int i = 0; i < 6; ++i) name += kAlnum[random() % (sizeof kAlnum - 1)];
  return name;
}

// Puts the written temporary in the target's place with one rename, which
// NTFS makes atomic; the old file's attributes (hidden, archive) carry over.
// ReplaceFileW is not used: when it fails it may leave a copy behind. A
// scanner holding the target for a moment is waited for.
bool PutInPlace(const std::wstring& temp, const std::wstring& target, DWORD old_attributes) {
  for (DWORD waited = 0;; waited += 20) {
    if (MoveFileExW(temp.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      if (old_attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(target.c_str(),
                           old_attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE |
                                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
      return true;
    }
    const DWORD e = GetLastError();
    if ((!IsSharingError(e) && e != ERROR_ACCESS_DENIED) || waited >= kLockWaitMs) return false;
    Sleep(20);
  }
}

}  // namespace

ReadResult ReadRegularFile(const std::string& path, size_t max_bytes) {
  ReadResult result;
  const std::wstring wide = WidePath(path);
  DWORD error = 0;
  const PathKind kind = KindOf(wide, &error);
  if (kind == PathKind::kMissing || kind == PathKind::kFailed) {
    result.status = kind == PathKind::kMissing ? ReadStatus::kMissing : ReadStatus::kFailed;
    result.reason = win32::ErrorText(error);
    result.error = path + ": " + result.reason;
    return result;
  }
  // Worded as the other systems word these two.
  if (kind != PathKind::kRegular) {
    result.status = ReadStatus::kNotRegular;
    result.reason = kind == PathKind::kDirectory ? "Is a directory" : "Operation not supported";
    result.error =
        path + (kind == PathKind::kDirectory ? ": is a directory" : ": not a regular file");
    return result;
  }
  Handle h(CreateFileW(wide.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size;
  if (!h.Ok()) {
    const DWORD e = GetLastError();
    result.status = IsMissingError(e) ? ReadStatus::kMissing : ReadStatus::kFailed;
    result.reason = win32::ErrorText(e);
    result.error = path + ": " + result.reason;
  } else if (GetFileType(h.Get()) != FILE_TYPE_DISK) {
    // A console, a pipe or a device under a file's name.
    result.status = ReadStatus::kNotRegular;
    result.reason = "Operation not supported";
    result.error = path + ": not a regular file";
  } else if (!GetFileSizeEx(h.Get(), &size)) {
    result.reason = win32::ErrorText(GetLastError());
    result.error = path + ": " + result.reason;
  } else if (static_cast<uint64_t>(size.QuadPart) > max_bytes) {
    result.status = ReadStatus::kTooLarge;
    result.error = path + ": larger than " + std::to_string(max_bytes) + " bytes";
  } else {
    result.bytes.reserve(static_cast<size_t>(size.QuadPart));
    bool too_large = false;
    if (!ReadAll(h.Get(), &result.bytes, max_bytes, &too_large)) {
      result.reason = win32::ErrorText(GetLastError());
      result.error = path + ": " + result.reason;
    } else if (too_large) {
      result.status = ReadStatus::kTooLarge;
      result.error = path + ": larger than " + std::to_string(max_bytes) + " bytes";
    } else {
      result.status = ReadStatus::kOk;
    }
  }
  if (result.status != ReadStatus::kOk) result.bytes.clear();
  return result;
}

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
  const std::string target = FinalName(path);
  const std::wstring wide = WidePath(target);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && !IsMissingError(GetLastError())) return Failed(target);
  if (exists) {
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
      return {ReplaceStatus::kFailed, target + ": not a regular file"};
    // The read-only attribute is the author's wish that it stays as it is.
    if (attributes & FILE_ATTRIBUTE_READONLY)
      return {ReplaceStatus::kNotWritable, target + ": read-only, left as it is"};
  }

  RemoveStaleTemporaries(Folder(target), LastComponent(target));
  std::wstring temp;
  Handle h(INVALID_HANDLE_VALUE);
  for (int attempt = 0; attempt < 16 && !h.Ok(); ++attempt) {
    temp = WidePath(TemporaryName(target));
    h.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr));
    if (!h.Ok() && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (!h.Ok()) {
    const DWORD e = GetLastError();
    if (exists && (e == ERROR_ACCESS_DENIED || e == ERROR_WRITE_PROTECT))
      return RewriteInPlace(target, bytes);
    SetLastError(e);
    return Failed(target);
  }
  bool ok = WriteAll(h.Get(), bytes) && FlushFileBuffers(h.Get());
  DWORD error = ok ? 0 : GetLastError();
  if (!h.Close() && ok) {
    ok = false;
    error = GetLastError();
  }
  // A file another program holds without sharing its deletion is left as
  // it is: writing into it would tear what that program reads.
  if (ok && !PutInPlace(temp, wide, attributes)) {
    ok = false;
    error = GetLastError();
  }
  if (ok) return {ReplaceStatus::kReplaced, ""};
  DeleteFileW(temp.c_str());
  SetLastError(error);
  return Failed(target);
}

Status WriteWholeFile(const std::string& path, std::string_view bytes) {
  Handle h(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Ok()) return Status::Failed(DescribeLastError(path));
  bool ok = WriteAll(h.Get(), bytes);
  DWORD e = ok ? 0 : GetLastError();
  if (!h.Close() && ok) {
    ok = false;
    e = GetLastError();
  }
  if (!ok) return Status::Failed(path + ": " + win32::ErrorText(e));
  return {};
}

Status WriteNewFile(const std::string& path, std::string_view bytes) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
      return {StatusCode::kRefused, path + ": is a symbolic link, not followed"};
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
      return {StatusCode::kRefused, path + ": exists and is not a regular file"};
    if (!DeleteFileW(wide.c_str())) return Status::Failed(DescribeLastError(path));
  } else if (!IsMissingError(GetLastError())) {
    return Status::Failed(DescribeLastError(path));
  }
  // CREATE_NEW fails on anything that appeared meanwhile, a link included.
  Handle h(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.Ok()) return Status::Failed(DescribeLastError(path));
  bool ok = WriteAll(h.Get(), bytes);
  DWORD e = ok ? 0 : GetLastError();
  if (!h.Close() && ok) {
    ok = false;
    e = GetLastError();
  }
  if (!ok) {
    DeleteFileW(wide.c_str());
    return Status::Failed(path + ": " + win32::ErrorText(e));
  }
  return {};
}

PathKind ProbePath(const std::string& path) {
  DWORD error = 0;
  return KindOf(WidePath(path), &error);
}

std::optional<std::vector<DirEntry>> ListFolder(const std::string& path) {
  const std::string folder = path.empty() ? "." : path;
  if (ProbePath(folder) != PathKind::kDirectory) return std::nullopt;
  std::wstring pattern = WidePath(folder);
  if (pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  std::vector<DirEntry> entries;
  if (find == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;  // an empty drive's root
    return std::nullopt;
  }
  const std::string prefix = folder.back() == '/' || folder.back() == '\\' ? folder : folder + "/";
  do {
    const std::wstring_view wname = found.cFileName;
    if (wname == L"." || wname == L"..") continue;
    DirEntry e{win32::Utf8FromWide(wname), PathKind::kRegular};
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      e.kind = ProbePath(prefix + e.name);
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      e.kind = PathKind::kDirectory;
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
      e.kind = PathKind::kOther;
    }
    entries.push_back(std::move(e));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return entries;
}

std::optional<std::string> EntrySpelling(const std::string& dir, const std::string& name) {
  // Wildcards would make the lookup a search, and no stored name holds one;
  // a name of dots and blanks alone is the folder or its parent to the
  // system, never an entry of it.
  if (name.find_first_of("*?<>\"") != std::string::npos ||
      name.find_first_not_of(". ") == std::string::npos)
    return std::nullopt;
  const std::string path = dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
  // The search answers with the stored name: its case, its Unicode form and
  // no trailing dots or blanks, the long name for a short one.
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileExW(WidePath(path).c_str(), FindExInfoBasic, &found,
                                 FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    // A drive's root, say, is there without being an entry of a folder.
    const PathKind kind = ProbePath(path);
    if (kind == PathKind::kMissing || kind == PathKind::kFailed) return std::nullopt;
    return name;
  }
  FindClose(find);
  // A link counts as what it leads to, as ProbePath says.
  if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    const PathKind kind = ProbePath(path);
    if (kind == PathKind::kMissing || kind == PathKind::kFailed) return std::nullopt;
  }
  return win32::Utf8FromWide(found.cFileName);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  const std::wstring wide = WidePath(path);
  DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  std::string out = win32::Utf8FromWide(full);
  // The rest of the program splits names at "/", which Windows takes too.
  std::replace(out.begin(), out.end(), '\\', '/');
  while (out.size() > 3 && out.back() == '/') out.pop_back();
  return out;
}

std::string NewFileSpelling(const std::string& path) {
  if (GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  const size_t start = win32::LastNameStart(path);
  const std::string_view name = std::string_view(path).substr(start);
  if (win32::IsValidUtf8(name)) return path;
  const std::optional<std::string> utf8 = ShiftJisNameAsUtf8(name);
  return utf8 ? path.substr(0, start) + *utf8 : path;
}

}  // namespace zepa::platform
