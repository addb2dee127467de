#include "phonelink/p2kapi.h"
// Temporary: replaced by the emulator.
extern "C" {
int32_t P2K_Init(P2K_NotifyProc) { return 0; }
int32_t P2K_GetStatus(void) { return 0; }
int32_t P2K_Restart(void) { return 0; }
int32_t File_Count(void) { return 0; }
int32_t File_List(void*, int32_t) { return 0; }
int32_t File_VolInfo(int32_t*) { return 0; }
int32_t File_Delete(const char*) { return 0; }
int32_t File_Create(const char*, int32_t) { return 0; }
int32_t File_Write(const void*, int32_t, int32_t) { return 0; }
int32_t File_Close(void) { return 0; }
int32_t Seem_Write(int32_t, int32_t, int32_t, int32_t, void*) { return 0; }
}
