/* expat's configuration for the MinGW cross build (cmake/windows.cmake), in place of
   the one its own configure step writes: what the library part reads of it. Windows
   gives the hash salt's entropy through rand_s, which the library uses on _WIN32. */
#ifndef QORU_EXPAT_CONFIG_H
#define QORU_EXPAT_CONFIG_H

#define BYTEORDER 1234
#define XML_CONTEXT_BYTES 1024
#define XML_DTD 1
#define XML_NS 1
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_MEMMOVE 1
#define STDC_HEADERS 1

#endif
