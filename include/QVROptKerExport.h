/* Export macro of the QVROptKer shared library. */
#ifndef QVROPTKER_EXPORT_H
#define QVROPTKER_EXPORT_H

#if defined(QVROPTKER_STATIC)
/* The library's objects linked straight into a program (white-box tests): nothing to import. */
#define QVROPTKER_API
#elif defined(_WIN32) || defined(__CYGWIN__)
#if defined(QVROPTKER_BUILDING)
#define QVROPTKER_API __declspec(dllexport)
#else
#define QVROPTKER_API __declspec(dllimport)
#endif
#else
#define QVROPTKER_API __attribute__((visibility("default")))
#endif

#endif
