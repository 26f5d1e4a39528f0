/*
 * The names under which the strict build of libdeflate's decompressor
 * (cmake/libdeflate-strict.patch) links beside the stock library. Included
 * first by the library's own sources and by every caller, before
 * libdeflate.h.
 */
#ifndef SETUP_LIBDEFLATE_STRICT_NAMES_H
#define SETUP_LIBDEFLATE_STRICT_NAMES_H

#define libdeflate_adler32 setup_strict_adler32
#define libdeflate_alloc_decompressor setup_strict_alloc_decompressor
#define libdeflate_free_decompressor setup_strict_free_decompressor
#define libdeflate_deflate_decompress setup_strict_deflate_decompress
#define libdeflate_deflate_decompress_ex setup_strict_deflate_decompress_ex
#define libdeflate_zlib_decompress setup_strict_zlib_decompress
#define libdeflate_zlib_decompress_ex setup_strict_zlib_decompress_ex
#define libdeflate_malloc setup_strict_malloc
#define libdeflate_free setup_strict_free
#define libdeflate_aligned_malloc setup_strict_aligned_malloc
#define libdeflate_aligned_free setup_strict_aligned_free
#define libdeflate_set_memory_allocator setup_strict_set_memory_allocator
#define libdeflate_assertion_failed setup_strict_assertion_failed
#define libdeflate_init_x86_cpu_features setup_strict_init_x86_cpu_features
#define libdeflate_x86_cpu_features setup_strict_x86_cpu_features

#endif
