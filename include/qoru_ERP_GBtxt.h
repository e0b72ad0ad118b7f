/* qoru_ERP_GBtxt: converts an ERP book set's text export into a staging database.
 *
 * A host calls DoIt once per conversion, on its user-interface thread:
 *
 *   BSTR result = nullptr;
 *   DoIt(&result, hostWindow, "/work/", "/data/bookset", nullptr);
 *   ... SysStringLen(result) characters of UTF-16 at result: the path of
 *       /work/TemplateTemp/GBA.mdb, or "0" when the conversion did not succeed ...
 *   SysFreeString(result);
 *
 * workDir ends with "/" and holds DataBase/empty.mdb (an empty SQLite database; a
 * zero-byte file will do) and the directory TemplateTemp/. sourceDir holds the
 * book set's "*.txt" files and GSSM.txt. Both are GBK byte strings.
 *
 * The header compiles as C (C11 or later) and as C++.
 *
 * The host may export
 *   extern "C" void WriteLog(void* instance, int level, const char16_t* message);
 * to receive the library's log messages; without it they go to stderr.
 */
#ifndef QORU_ERP_GBTXT_H
#define QORU_ERP_GBTXT_H

#include <stddef.h> /* wchar_t */
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h> /* char16_t, which C++ has built in */
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
/* Windows: qoru_ERP_GBtxt.dll exports DoIt alone, stdcall, under its plain name (five
 * 32-bit arguments on 32-bit Windows, 20 bytes that DoIt removes). The result is an
 * OLE Automation string of oleaut32: release it with the system's SysFreeString.
 * workDir ends with "\"; the paths are in the ANSI code page (GBK). */
#define QORU_DOIT_CALL __stdcall
#ifdef QORU_BUILDING_PLUGIN
#define QORU_DOIT_EXPORT __declspec(dllexport)
#else
#define QORU_DOIT_EXPORT __declspec(dllimport)
#endif
typedef wchar_t* QORU_BSTR;
#else
#define QORU_DOIT_CALL
#define QORU_DOIT_EXPORT
typedef char16_t* BSTR;
typedef BSTR QORU_BSTR;
#endif

/* Result: a BSTR the caller releases with SysFreeString. A string that *result held
 * on entry is released by DoIt. hostWindow: the host's window id, or 0. spare: ignored. */
QORU_DOIT_EXPORT void QORU_DOIT_CALL DoIt(QORU_BSTR* result, uintptr_t hostWindow,
                                          const char* workDir, const char* sourceDir,
                                          const char* spare);

#if !defined(_WIN32)

/* A BSTR points just after a 4-byte prefix holding the text's length in bytes; the
 * UTF-16 text is followed by a NUL. */
BSTR SysAllocStringLen(const char16_t* text, unsigned int length);
int SysReAllocStringLen(BSTR* target, const char16_t* text, unsigned int length);
void SysFreeString(BSTR text);
unsigned int SysStringLen(BSTR text);
#endif

#ifdef __cplusplus
}
#endif

#endif
