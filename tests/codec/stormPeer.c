/* StormLib's implode/explode as a separate program, so that its symbols never meet the codec's own
   implode/explode/crc32 in one process:
     storm_peer implode <type> <dictionary size> <input> <output>
     storm_peer explode <input> <output>
   The exit code is the library's status; 100 for a usage or file error. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

unsigned int implode(unsigned int (*read_buf)(char*, unsigned int*, void*),
                     void (*write_buf)(char*, unsigned int*, void*), char* work_buf, void* param,
                     unsigned int* type, unsigned int* dsize);
unsigned int explode(unsigned int (*read_buf)(char*, unsigned int*, void*),
                     void (*write_buf)(char*, unsigned int*, void*), char* work_buf, void* param);

struct Files {
  FILE* in;
  FILE* out;
};

static unsigned int readInput(char* buf, unsigned int* size, void* param) {
  return (unsigned int)fread(buf, 1, *size, ((struct Files*)param)->in);
}

static void writeOutput(char* buf, unsigned int* size, void* param) {
  fwrite(buf, 1, *size, ((struct Files*)param)->out);
}

int main(int argc, char** argv) {
  int implodeMode = argc == 6 && strcmp(argv[1], "implode") == 0;
  if (!implodeMode && !(argc == 4 && strcmp(argv[1], "explode") == 0)) return 100;
  struct Files files = {fopen(argv[argc - 2], "rb"), fopen(argv[argc - 1], "wb")};
  if (!files.in || !files.out) return 100;
  /* Work buffers with stale contents, as a caller's would have. */
  /* StormLib's work structures hold pointers: on 64-bit they outgrow the 32-bit sizes. */
  static char work[65536];
  memset(work, 0xA5, sizeof work);
  unsigned int status;
  if (implodeMode) {
    unsigned int type = (unsigned int)atoi(argv[2]), dsize = (unsigned int)atoi(argv[3]);
    status = implode(readInput, writeOutput, work, &files, &type, &dsize);
  } else {
    status = explode(readInput, writeOutput, work, &files);
  }
  fclose(files.in);
  if (fclose(files.out) != 0) return 100;
  return (int)status;
}
