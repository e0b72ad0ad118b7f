// The edge of the Windows file layer (os_file_win.cpp and the files beside it): a GBK
// path becomes the UTF-16 one the wide-character API takes ("/" turned into "\", the
// long-path form when long), a Windows error code becomes the errno the rooms above read,
// and a handle becomes a C runtime descriptor. Only the layer's own files include it.
#pragma once

#include <windows.h>

#include <string>

namespace qoru::os::win {

// `path` (GBK) as the wide-character API takes it.
std::wstring Wide(const std::string& path);

// The errno of a Windows error code (kSharingViolation for a file held open elsewhere,
// EIO for one without a counterpart).
int ErrnoOf(DWORD error);
void SetErrnoFromLastError();
// After a failed CreateFileW of `wide`: a directory opened for reading says so (EISDIR).
void SetErrnoForOpen(const std::wstring& wide);

// `handle` as a descriptor in binary mode with `flags`; closed, and -1 (EMFILE), when the
// runtime has no descriptor left.
int Descriptor(HANDLE handle, int flags);

// `handle`, just returned by CreateFileW for `wide` opened for reading, as a read-only
// descriptor: -1 with errno set as SetErrnoForOpen sets it when the open failed, or
// kNotRegularFile for what is no file on a disk (a pipe, a device; a directory's handle
// is one on a disk).
int ReadDescriptor(HANDLE handle, const std::wstring& wide);

// The file's identity and attributes.
bool Identity(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info);

}  // namespace qoru::os::win
