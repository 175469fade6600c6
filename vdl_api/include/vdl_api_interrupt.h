/*
 * vdl_api_interrupt: an addition to the interface of vdl_api.h, kept apart from it so that a
 * library without it still serves vdl_api.h whole. Callers that use it find it at run time (a
 * weak declaration, or dlsym) and do without it when it is missing.
 */
#ifndef VDL_API_INTERRUPT_H
#define VDL_API_INTERRUPT_H

#include "vdl_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The code of a call that vdl_interrupt stopped. */
#define VDL_E_INTERRUPTED 0xB1000014u

/* Stops the vdl_query or vdl_ts_get_metadata call running on the handle in another thread: that
 * call returns VDL_E_INTERRUPTED, having changed nothing in the store (the statement it ran is
 * undone). Safe from any thread while the handle is open; a handle with no call running is left
 * as it is. Returns VDL_OK, or VDL_E_INVALID_ARGUMENT for a null handle. */
VDL_EXPORT uint32_t vdl_interrupt(vdl_handle* handle);

#ifdef __cplusplus
}
#endif

#endif /* VDL_API_INTERRUPT_H */
