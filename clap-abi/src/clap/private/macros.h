/* Compiler glue shared by every CLAP declaration. */
#pragma once

#if defined(_WIN32)
#define CLAP_EXPORT __declspec(dllexport)
#else
#define CLAP_EXPORT __attribute__((visibility("default")))
#endif

/* Calling convention of every function pointer in the ABI (the platform's default). */
#if defined(_WIN32) && !defined(_WIN64)
#define CLAP_ABI __cdecl
#else
#define CLAP_ABI
#endif

#if defined(__cplusplus) && __cplusplus >= 201103L
#define CLAP_HAS_CXX11
#define CLAP_CONSTEXPR constexpr
#else
#define CLAP_CONSTEXPR
#endif

#if defined(__cplusplus) && __cplusplus >= 201703L
#define CLAP_HAS_CXX17
#define CLAP_NODISCARD [[nodiscard]]
#else
#define CLAP_NODISCARD
#endif
