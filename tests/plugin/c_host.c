/* A host written in C: includes the public header as C11, links the plug-in, exports
 * its own WriteLog and calls DoIt on a work area that does not exist. The run cannot
 * reach a staging database, so DoIt must hand back "0" and the engine's complaint
 * must arrive through WriteLog. Exits 0 when everything is as expected.
 *
 *   c_host WORK_DIR/ SOURCE_DIR
 */
#define _POSIX_C_SOURCE 200809L /* setenv */

#include <stdio.h>
#include <stdlib.h>

#include "qoru_ERP_GBtxt.h"

static int log_calls = 0;

void WriteLog(void* instance, int level, const char16_t* message) {
  (void)instance;
  if (level == 3 && message != NULL && message[0] != 0) ++log_calls;
}

static int Check(int ok, const char* what) {
  if (!ok) fprintf(stderr, "c_host: %s\n", what);
  return ok ? 0 : 1;
}

int main(int argc, char** argv) {
  static const char16_t hello[] = {'h', 'e', 'l', 'l', 'o', 0};
  BSTR text;
  BSTR result;
  int failures = 0;
  if (argc != 3) {
    fprintf(stderr, "usage: c_host WORK_DIR/ SOURCE_DIR\n");
    return 2;
  }

  /* The OLE string functions, as a C caller sees them. */
  text = SysAllocStringLen(hello, 5);
  failures += Check(text != NULL && SysStringLen(text) == 5 && text[5] == 0, "SysAllocStringLen");
  failures +=
      Check(SysReAllocStringLen(&text, hello, 2) && SysStringLen(text) == 2, "SysReAllocStringLen");
  SysFreeString(text);

  /* A string held on entry is released by DoIt and replaced by "0". */
  setenv("QORU_FACE", "headless", 1);
  result = SysAllocStringLen(hello, 5);
  DoIt(&result, 0, argv[1], argv[2], NULL);
  failures += Check(result != NULL && SysStringLen(result) == 1 && result[0] == '0', "result 0");
  failures += Check(log_calls == 1, "one WriteLog call");
  SysFreeString(result);
  return failures == 0 ? 0 : 1;
}
