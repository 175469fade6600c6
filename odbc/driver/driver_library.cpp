// The shared driver library: all of its code comes from vdl_odbc_driver_core.
