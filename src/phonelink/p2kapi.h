/* The phone-link library's C ABI. Any library exporting these functions can stand in for ours. */
#ifndef ZANDREL_P2KAPI_H
#define ZANDREL_P2KAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A FileListRecord: bytes 0-7 belong to the library, the path starts at byte 8 and is ended by a
   NUL unless it fills all 504 bytes. */
#define P2K_RECORD_SIZE 512
#define P2K_RECORD_PATH_OFFSET 8
#define P2K_RECORD_PATH_MAX (P2K_RECORD_SIZE - P2K_RECORD_PATH_OFFSET)

typedef void (*P2K_NotifyProc)(int32_t event);
int32_t P2K_Init(P2K_NotifyProc notify);
int32_t P2K_GetStatus(void);
int32_t P2K_Restart(void);
int32_t File_Count(void);
int32_t File_List(void* records, int32_t count); /* count records of 512 bytes */
int32_t File_VolInfo(int32_t* info);
int32_t File_Delete(const char* path); /* NULL stands for the empty path */
int32_t File_Create(const char* path, int32_t mode);
int32_t File_Write(const void* data, int32_t size, int32_t last);
int32_t File_Close(void);
int32_t Seem_Write(int32_t seem, int32_t record, int32_t a, int32_t b, void* file);

/* Optional: a library may also export File_Fetch, found at load time by name. It writes the whole
   phone file `path` into the open local descriptor `fd` from its current position and returns the
   number of bytes written, or a negative result (the caller then discards what was written). It
   never changes the phone. A library without it can still do everything else. */
#define P2K_FILE_FETCH_NAME "File_Fetch"
typedef int32_t (*P2K_FileFetchProc)(const char* path, int32_t fd);

/* Optional: P2K_PhoneKind names the kind of phone the library talks to, one short lowercase word
   ("emulator" for a phone kept in a host folder), found at load time by name. A library without
   it talks to a real phone. */
#define P2K_PHONE_KIND_NAME "P2K_PhoneKind"
typedef const char* (*P2K_PhoneKindProc)(void);

#ifdef __cplusplus
}
#endif

#endif
