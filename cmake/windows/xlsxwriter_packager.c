/* libxlsxwriter's packager, compiled for mingw-w64 with the Win32 branch that its
 * Windows build takes elsewhere: the workbook is opened by its UTF-8 name through the
 * wide-character API (minizip's iowin32), so that a workpaper path in a Chinese folder
 * works. packager.c drops that branch whenever __MINGW32__ is defined; here every header
 * it uses is read first, as usual, and only packager.c's own text is read without it. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

/* packager.c's order, which its headers need */
/* clang-format off */
#include "xlsxwriter/xmlwriter.h"
#include "xlsxwriter/packager.h"
#include "xlsxwriter/hash_table.h"
#include "xlsxwriter/utility.h"
/* clang-format on */

/* queue.h's SLIST_ENTRY and the one of winnt.h: packager.c drops the first as well. */
#undef SLIST_ENTRY
#include <windows.h>

#include "iowin32.h"

#pragma push_macro("__MINGW32__")
#undef __MINGW32__
#include "packager.c"
#pragma pop_macro("__MINGW32__")
