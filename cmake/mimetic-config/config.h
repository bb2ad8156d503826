/* mimetic configuration for POSIX builds (our own; the upstream one comes
   from autoconf, which we do not run). No HAVE_MMAP: mimetic then reads files
   through its plain-file class and its memory-mapped file class is not built. */
#ifndef ZQV_MIMETIC_CONFIG_H
#define ZQV_MIMETIC_CONFIG_H
#define HAVE_UNISTD_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_SYS_TIME_H 1
#define HAVE_STDINT_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define STDC_HEADERS 1
#define PACKAGE "mimetic"
#define VERSION "0.9.8"
#endif
