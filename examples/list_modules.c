/* list_modules: a small application of the Vtx library. It lists the modules of this machine's
 * boards with their names and channel counts, the way an application finds the module it is to
 * work with. Build it against an installed library:
 *
 *     cc list_modules.c $(pkg-config --cflags --libs tarrow) -o list_modules
 *
 * TARROW_DRIVER=sim runs it against the simulator inside the process. */
#include <stdio.h>
#include <string.h>
#include <tarrow/vtx.h>

/* The module's name comes as UTF-16; the names of boards are plain ASCII. */
static void NameOf(const VtxModuleInfoArgs* info, char* out, size_t size) {
  size_t i = 0;
  for (; i + 1 < size && i < sizeof info->name / sizeof info->name[0] && info->name[i]; ++i) {
    out[i] = (char)(info->name[i] & 0x7F);
  }
  out[i] = '\0';
}

int main(void) {
  unsigned found = 0;
  unsigned module;
  CV_API_SET_VER();
  /* Board modules are numbered from 2 upward. */
  for (module = 2; module < 128; ++module) {
    VtxModuleInfoArgs info;
    char name[65];
    memset(&info, 0, sizeof info);
    info.mod_num = module;
    if (VtxModuleInfo(NULL, &info) != 0) {
      fprintf(stderr, "list_modules: module %u: status %u, line status %u\n", module, info.status,
              info.line_status);
      return 1;
    }
    if (!info.exists) continue;
    NameOf(&info, name, sizeof name);
    printf("module 0x%X: %s, %u channels\n", module, name, info.num_channels);
    ++found;
  }
  printf("%u modules\n", found);
  return found > 0 ? 0 : 1;
}
