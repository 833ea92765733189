// Lock annotations that clang's thread-safety analysis checks (-Wthread-safety, on in the clang
// build of the fuzz targets); other compilers see nothing. A member GUARDED_BY a mutex may be
// touched only with it held; a function that REQUIRES it is called only with it held, and one
// that ACQUIREs it may not be called with it held, so a lock taken twice is a build error.
#pragma once

#if defined(__clang__)
#define SORVIK_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define SORVIK_THREAD_ANNOTATION(x)
#endif

#define SORVIK_CAPABILITY(name) SORVIK_THREAD_ANNOTATION(capability(name))
#define SORVIK_SCOPED_CAPABILITY SORVIK_THREAD_ANNOTATION(scoped_lockable)
#define SORVIK_GUARDED_BY(mutex) SORVIK_THREAD_ANNOTATION(guarded_by(mutex))
#define SORVIK_PT_GUARDED_BY(mutex) SORVIK_THREAD_ANNOTATION(pt_guarded_by(mutex))
#define SORVIK_REQUIRES(...) SORVIK_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define SORVIK_ACQUIRE(...) SORVIK_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define SORVIK_RELEASE(...) SORVIK_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define SORVIK_EXCLUDES(...) SORVIK_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define SORVIK_NO_THREAD_SAFETY_ANALYSIS SORVIK_THREAD_ANNOTATION(no_thread_safety_analysis)
