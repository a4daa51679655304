/* Export and calling-convention macros shared by every NetRov library. */
#ifndef NETROV_EXPORT_H
#define NETROV_EXPORT_H

#if defined(_WIN32)
#  define NETROV_EXPORT __declspec(dllexport)
#  define NETROV_IMPORT __declspec(dllimport)
#else
#  define NETROV_EXPORT __attribute__((visibility("default")))
#  define NETROV_IMPORT
#endif

/* The standard export convention on 32-bit Windows; empty elsewhere. */
#if defined(_WIN32) && !defined(_WIN64)
#  define NETROV_CALL __stdcall
#  define NETROV_CDECL __cdecl
#else
#  define NETROV_CALL
#  define NETROV_CDECL
#endif

#ifdef __cplusplus
#  define NETROV_EXTERN_C extern "C"
#  define NETROV_NOEXCEPT noexcept
#else
#  define NETROV_EXTERN_C
#  define NETROV_NOEXCEPT
#endif

/* Compile-time layout checks that read the same in C and C++. */
#ifdef __cplusplus
#  define NETROV_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#  define NETROV_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#endif
