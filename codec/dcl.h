// The DCL implode/explode library interface: compress and expand the "implode" format through
// caller-supplied read and write callbacks. All state lives in the caller's work buffer, so the
// functions allocate nothing and may run concurrently on separate work buffers. No Windows headers.
#pragma once

#define CMP_BUFFER_SIZE 36312  // implode work buffer, bytes
#define EXP_BUFFER_SIZE 12596  // explode work buffer, bytes

#define CMP_BINARY 0  // literals as 8 raw bits
#define CMP_ASCII 1   // literals Huffman-coded for text

#define CMP_NO_ERROR 0
#define CMP_INVALID_DICTSIZE 1
#define CMP_INVALID_MODE 2
#define CMP_BAD_DATA 3  // explode: first read gave <= 4 bytes, or a distance before the output's start
#define CMP_ABORT 4     // explode: input ended before the end marker

#ifdef __cplusplus
extern "C" {
#endif

// read_buf copies up to *size bytes into buf and returns how many it delivered (0 = end of input).
typedef unsigned int (*dcl_read_fn)(char* buf, unsigned int* size, void* param);
// write_buf receives *size output bytes at buf.
typedef void (*dcl_write_fn)(char* buf, unsigned int* size, void* param);

// Compresses all input. *dsize: 1024, 2048 or 4096 (else 1); *type: CMP_BINARY/CMP_ASCII (else 2).
// Reads input in blocks of up to 4096 bytes; writes 2048-byte pieces and then the remainder.
unsigned int implode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param,
                     unsigned int* type, unsigned int* dsize);

// Expands one stream. Returns 0 at the end marker; 1 bad dictionary byte, 2 bad mode byte, 3 when
// the first read gives <= 4 bytes or a distance reaches before the start of the output, 4 when
// input ends before the end marker. Output decoded before an error has been written.
unsigned int explode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf, void* param);

// Reflected CRC-32 (0xEDB88320) over *size bytes from *old_crc, without pre- or post-inversion.
unsigned long crc32(char* buffer, unsigned int* size, unsigned long* old_crc);

#ifdef __cplusplus
}
#endif
