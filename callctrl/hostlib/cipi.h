/* The CIPI interface between the call-control framework and a host module library: the eleven
   entry points the library exports by name, the records they exchange and the callbacks the
   framework hands the library. Plain C, so that a library can be written in either language. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Configuration key types. */
#define CIPI_KEY_STRING 0
#define CIPI_KEY_SIGNED 1
#define CIPI_KEY_UNSIGNED 2

/* CIPI_GetEvent results besides 0 (an event is in the buffer). */
#define CIPI_EVENT_TIMEOUT 3

#define CIPI_EVENT_SIZE 24452   /* the event buffer, cleared before each CIPI_GetEvent */
#define CIPI_INFO_TEXT_SIZE 260 /* each buffer of CIPI_QueryLibraryInfo and the version text */

/* Returns nonzero when a string value is acceptable. */
typedef int (*CIPI_ValidateFn)(const char* value);

/* A configuration key the library understands. The layout is fixed: name at 0, mandatory flag
   at 819, type at 820, the default (and for integers the range) from 824, and the validation
   function at 1080; 1084 bytes where pointers are 4 bytes. */
typedef struct CIPI_ConfigKey {
  char name[260];
  char reserved[559];
  uint8_t mandatory;
  uint32_t type;
  union {
    char string_default[256];
    struct {
      int32_t default_value;
      int32_t minimum;
      int32_t maximum;
    } integer;
  } value;
  CIPI_ValidateFn validate;
} CIPI_ConfigKey;

/* The framework's trace: the formatted text goes to the IP stack trace at `level` (1..4). */
typedef void (*CIPI_TraceFn)(int level, const char* format, ...);
/* The framework's key query: the value of configuration key `name` into `buffer` of `*size`
   bytes. 1 found (size set to its length), -1 buffer too small (size set to the length needed),
   0 not found (size 0). */
typedef int32_t (*CIPI_ConfigKeyFn)(const char* name, int32_t* size, char* buffer);

typedef int32_t (*CIPI_CloseLibrary_t)(int32_t reserved);
typedef const char* (*CIPI_GetErrorString_t)(int32_t code);
typedef int32_t (*CIPI_OpenLibrary_t)(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t reserved,
                                      char* version);
typedef int32_t (*CIPI_QueryConfigurationKeys_t)(int32_t index, CIPI_ConfigKey* key);
typedef int32_t (*CIPI_QueryLibraryInfo_t)(char* vendor, char* name, char* version);
typedef int32_t (*CIPI_ReconfigureLibrary_t)(void);
typedef int32_t (*CIPI_SetTrace_t)(int32_t level);
/* Fills `buffer` of `size` bytes with capability text; the result is the length written. */
typedef int32_t (*CIPI_CapabilityQuery_t)(char* buffer, int32_t size);
typedef int32_t (*CIPI_GetEvent_t)(int32_t timeout_ms, void* event);
/* Fills `buffer` of `size` bytes with statistics text; the result is the length written. */
typedef int32_t (*CIPI_GetStats_t)(char* buffer, int32_t size);
typedef int32_t (*CIPI_SendCommand_t)(const void* command);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(offsetof(CIPI_ConfigKey, mandatory) == 819, "key mandatory flag");
static_assert(offsetof(CIPI_ConfigKey, type) == 820, "key type");
static_assert(offsetof(CIPI_ConfigKey, value) == 824, "key default");
static_assert(offsetof(CIPI_ConfigKey, validate) == 1080, "key validation function");
static_assert(sizeof(void*) != 4 || sizeof(CIPI_ConfigKey) == 1084, "key record size");
#endif
