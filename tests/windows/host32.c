/* A 32-bit host of our own, as the host application calls the plug-in:
 *
 *   host32 DLL WORKDIR SOURCEDIR EXPECT
 *
 * loads DLL with LoadLibrary, finds "DoIt" by its plain name, and calls it through a
 * stdcall pointer with a result variable that already holds an OLE string, its own
 * visible top-level window as the host window, and the two directories in the ANSI
 * code page as it received them. EXPECT is "path" (the result must be WORKDIR +
 * "TemplateTemp\GBA.mdb") or "0" (a failing book set). It checks
 *   - that DoIt removes its five arguments (20 bytes) and keeps the registers that the
 *     calling convention keeps (the call goes through an assembly wrapper);
 *   - the result: an OLE string of the expected text and length;
 *   - that the host's window is disabled while the conversion runs (seen from the
 *     library's trace hook, which this host exports) and enabled again after;
 *   - that COM is left as the host set it (initialised here, apartment-threaded).
 * Exit status 0 when every check holds; each failure is printed on stderr.
 * The database itself is compared with the Linux build's by the calling script. */
#include <objbase.h>
#include <oleauto.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

typedef void(__stdcall* DoItFn)(BSTR* result, uintptr_t window, const char* work_dir,
                                const char* source_dir, const char* spare);

/* Calls fn(a1, ..., a5), pushing the arguments last to first as a stdcall caller does.
 * Returns how many bytes the callee left on the stack (0 when it removed exactly the
 * 20 bytes of its arguments), or -1 when it changed EBX or EDI, which it must keep. */
int CallStdcall5(void* fn, BSTR* a1, uintptr_t a2, const char* a3, const char* a4, const char* a5);
__asm__(
    ".text\n"
    ".globl _CallStdcall5\n"
    "_CallStdcall5:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl $0x5a5a1234, %ebx\n"
    "  movl $0x0badf00d, %edi\n"
    "  movl %esp, %esi\n"
    "  pushl 28(%ebp)\n" /* a5 */
    "  pushl 24(%ebp)\n" /* a4 */
    "  pushl 20(%ebp)\n" /* a3 */
    "  pushl 16(%ebp)\n" /* a2 */
    "  pushl 12(%ebp)\n" /* a1 */
    "  call *8(%ebp)\n"  /* fn */
    "  movl %esi, %eax\n"
    "  subl %esp, %eax\n" /* bytes left on the stack */
    "  cmpl $0x5a5a1234, %ebx\n"
    "  jne 1f\n"
    "  cmpl $0x0badf00d, %edi\n"
    "  jne 1f\n"
    "  jmp 2f\n"
    "1:\n"
    "  movl $-1, %eax\n"
    "2:\n"
    "  movl %esi, %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

static HWND g_window;
static int g_seen_disabled; /* trace events during the run with the window disabled */
static int g_seen_enabled;  /* ... and with it enabled */
static int g_failures;

static void Fail(const char* what) {
  fprintf(stderr, "host32: %s\n", what);
  ++g_failures;
}

/* The library's trace hook: called on the host's thread during the run. */
__declspec(dllexport) int QoruTrace(int kind, const char* text, double seconds) {
  (void)text;
  (void)seconds;
  if (kind == 0) return (1 << 1) | (1 << 7); /* status changes and stages */
  if (IsWindowEnabled(g_window))
    ++g_seen_enabled;
  else
    ++g_seen_disabled;
  return 0;
}

/* The host's log, as the host's library exports it. */
__declspec(dllexport) void __stdcall WriteLog(void* instance, int level, const wchar_t* message) {
  char text[8192];
  (void)instance;
  WideCharToMultiByte(CP_UTF8, 0, message, -1, text, sizeof text, NULL, NULL);
  fprintf(stderr, "host32: log %d: %s\n", level, text);
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: host32 DLL WORKDIR SOURCEDIR path|0\n");
    return 2;
  }
  const char* work_dir = argv[2];
  const char* source_dir = argv[3];
  const int expect_path = strcmp(argv[4], "path") == 0;
  if (GetACP() != 936) fprintf(stderr, "host32: note: the ANSI code page is %u\n", GetACP());

  if (FAILED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED))) Fail("CoInitializeEx failed");

  WNDCLASSW wc;
  memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(NULL);
  wc.lpszClassName = L"QoruHost32";
  RegisterClassW(&wc);
  g_window = CreateWindowExW(0, L"QoruHost32", L"host32", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, NULL,
                             NULL, wc.hInstance, NULL);
  if (g_window == NULL) {
    Fail("cannot create the host window");
    return 1;
  }
  ShowWindow(g_window, SW_SHOW);

  HMODULE dll = LoadLibraryA(argv[1]);
  if (dll == NULL) {
    fprintf(stderr, "host32: LoadLibrary(%s) failed: %lu\n", argv[1], GetLastError());
    return 1;
  }
  void* fn = (void*)GetProcAddress(dll, "DoIt");
  if (fn == NULL) {
    Fail("GetProcAddress(\"DoIt\") found nothing");
    return 1;
  }
  if (GetProcAddress(dll, "DoIt@20") != NULL || GetProcAddress(dll, "_DoIt@20") != NULL)
    Fail("DoIt is also exported under a decorated name");

  BSTR result = SysAllocString(L"host's earlier string");
  const int left = CallStdcall5(fn, &result, (uintptr_t)g_window, work_dir, source_dir, "spare");
  if (left == -1)
    Fail("DoIt changed a register that stdcall keeps (EBX, ESI or EDI)");
  else if (left != 0) {
    fprintf(stderr, "host32: the stack is off by %d bytes after DoIt\n", left);
    ++g_failures;
  }

  /* The expected text: the work directory in UTF-16, then TemplateTemp\GBA.mdb. */
  wchar_t expected[4096];
  if (expect_path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, work_dir, -1, expected, 4000);
    if (n <= 0) Fail("the work directory does not convert from the ANSI code page");
    wcscat(expected, L"TemplateTemp\\GBA.mdb");
  } else {
    wcscpy(expected, L"0");
  }
  if (result == NULL) {
    Fail("the result is a null string");
  } else {
    char shown[8192];
    char wanted[8192];
    WideCharToMultiByte(CP_UTF8, 0, result, -1, shown, sizeof shown, NULL, NULL);
    WideCharToMultiByte(CP_UTF8, 0, expected, -1, wanted, sizeof wanted, NULL, NULL);
    if (SysStringLen(result) != wcslen(expected) || wcscmp(result, expected) != 0) {
      fprintf(stderr, "host32: the result is \"%s\" (%u characters), expected \"%s\"\n", shown,
              SysStringLen(result), wanted);
      ++g_failures;
    }
    if (SysStringLen(result) != wcslen(result)) Fail("the result's length prefix is wrong");
    printf("%s\n", shown);
    SysFreeString(result);
  }

  if (g_seen_disabled == 0) Fail("the host's window was never seen disabled during the run");
  if (g_seen_enabled != 0) Fail("the host's window was enabled during the run");
  if (!IsWindowEnabled(g_window)) Fail("the host's window is still disabled after DoIt");

  /* COM as the host set it: initialising again says it is already so. */
  const HRESULT again = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
  if (again != S_FALSE) Fail("COM is no longer initialised as the host left it");
  if (SUCCEEDED(again)) CoUninitialize();
  CoUninitialize();

  FreeLibrary(dll);
  DestroyWindow(g_window);
  return g_failures == 0 ? 0 : 1;
}
