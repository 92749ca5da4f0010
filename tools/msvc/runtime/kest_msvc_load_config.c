/* Load configuration of a module linked with the stand-in runtime.
 *
 * lld-link collects the module's safe exception handlers (the frame handlers the
 * compiler registers, /SAFESEH) into a table and defines __safe_se_handler_table and
 * __safe_se_handler_count for it; this record points Windows at that table and at
 * the /GS cookie. Without the record the linker marks the image as having no
 * handlers at all (NO_SEH), and Windows would end the process instead of passing a
 * structured exception through the plug-in's frames to a host that handles it.
 * Written in C: the addresses must be constant initialisers, placed by the linker
 * before any code runs. */
#include <windows.h>

extern PVOID __safe_se_handler_table[];
extern BYTE __safe_se_handler_count; /* its address is the count */
extern UINT_PTR __security_cookie;

const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used = {
    .Size = sizeof(IMAGE_LOAD_CONFIG_DIRECTORY32),
    .SecurityCookie = (DWORD)&__security_cookie,
    .SEHandlerTable = (DWORD)__safe_se_handler_table,
    .SEHandlerCount = (DWORD)&__safe_se_handler_count,
};
