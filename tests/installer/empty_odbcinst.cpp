// Stands in for a libodbcinst.so.2 that offers none of the functions the installer tool needs.

int vdl_empty_odbcinst_marker = 0;
