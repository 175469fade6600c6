/* The public header compiles as C11 and its calls link from C. */
#include "vdl_api.h"

#include <stdio.h>
#include <string.h>

int main(void) {
    vdl_handle* handle = vdl_open_tcp();
    uint32_t rc;
    vdl_result* result = NULL;
    if (handle == NULL) return 1;
    rc = vdl_connect(handle, "vdl://127.0.0.1:2836");
    if (rc != VDL_E_CONNECTION || (rc & VDL_FAILURE_MASK) == 0) return 2;
    if (strstr(vdl_error(rc), "no cluster answers") == NULL) return 3;
    rc = vdl_query(handle, "SHOW TABLES", &result);
    if (rc != VDL_E_NOT_CONNECTED || result != NULL) return 4;
    vdl_close(handle);
    puts("ok");
    return 0;
}
