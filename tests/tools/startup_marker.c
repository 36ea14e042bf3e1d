/* A library whose start-up code leaves a mark: the file named by TARROW_TEST_MARKER. It shows
   whether a program loaded it. */
#include <stdio.h>
#include <stdlib.h>

__attribute__((constructor)) static void LeaveMark(void) {
  const char* path = getenv("TARROW_TEST_MARKER");
  FILE* mark = path ? fopen(path, "w") : NULL;
  if (mark) fclose(mark);
}
