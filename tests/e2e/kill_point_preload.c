// Loaded into updater-cli by the crash tests (LD_PRELOAD): kills the process with SIGKILL at
// one exact point, as a power cut or `kill -9` would, with no hook in the program itself.
//   UPDATER_KILL_AT_STAGE=NAME         once the run journal is renamed into place at stage NAME
//   UPDATER_KILL_AFTER_CREATE=TEXT     once a file whose path contains TEXT has been created
//   UPDATER_KILL_AFTER_RENAME=SUFFIX   once a file has been renamed to a path ending in SUFFIX
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static char stage_line[256];
static char create_text[1024];
static char rename_suffix[1024];

static void Copy(char* to, size_t size, const char* name) {
  const char* value = getenv(name);
  if (value != NULL) snprintf(to, size, "%s", value);
}

__attribute__((constructor)) static void Init(void) {
  const char* stage = getenv("UPDATER_KILL_AT_STAGE");
  if (stage != NULL) snprintf(stage_line, sizeof stage_line, "\nstage=%s\n", stage);
  Copy(create_text, sizeof create_text, "UPDATER_KILL_AFTER_CREATE");
  Copy(rename_suffix, sizeof rename_suffix, "UPDATER_KILL_AFTER_RENAME");
  // The programs the run starts (the payload archive, the service scripts, the server) must
  // not die in its place.
  unsetenv("LD_PRELOAD");
}

static void Die(void) {
  kill(getpid(), SIGKILL);
}

static int EndsWith(const char* text, const char* suffix) {
  const size_t n = strlen(text), m = strlen(suffix);
  return m > 0 && n >= m && strcmp(text + n - m, suffix) == 0;
}

static void AfterRename(const char* to) {
  if (EndsWith(to, rename_suffix)) Die();
  if (stage_line[0] == '\0' || !EndsWith(to, "/run.journal")) return;
  FILE* file = fopen(to, "rb");
  if (file == NULL) return;
  char text[8192];
  const size_t n = fread(text, 1, sizeof text - 1, file);
  fclose(file);
  text[n] = '\0';
  if (strstr(text, stage_line) != NULL) Die();
}

int rename(const char* from, const char* to) {
  static int (*real)(const char*, const char*);
  if (real == NULL) real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
  const int result = real(from, to);
  if (result == 0) AfterRename(to);
  return result;
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned int flags) {
  static int (*real)(int, const char*, int, const char*, unsigned int);
  if (real == NULL)
    real = (int (*)(int, const char*, int, const char*, unsigned int))dlsym(RTLD_NEXT, "renameat2");
  const int result = real(from_dir, from, to_dir, to, flags);
  if (result == 0) AfterRename(to);
  return result;
}

static int AfterOpen(int fd, const char* path, int flags) {
  if (fd >= 0 && (flags & O_CREAT) != 0 && create_text[0] != '\0' &&
      strstr(path, create_text) != NULL)
    Die();
  return fd;
}

#define OPEN_WRAPPER(name)                                                            \
  int name(const char* path, int flags, ...) {                                        \
    static int (*real)(const char*, int, ...);                                        \
    if (real == NULL) real = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, #name); \
    mode_t mode = 0;                                                                  \
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {                                       \
      va_list args;                                                                   \
      va_start(args, flags);                                                          \
      mode = (mode_t)va_arg(args, int);                                               \
      va_end(args);                                                                   \
    }                                                                                 \
    return AfterOpen(real(path, flags, mode), path, flags);                           \
  }

OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)
