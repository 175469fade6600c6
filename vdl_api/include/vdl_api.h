/*
 * vdl_api: the Vandrel client library.
 *
 * This implementation keeps its data in an embedded store (an SQLite database file)
 * opened through a "file:" URI. Network clusters ("vdl://host:port") are recognised,
 * but this build has no network transport, so connecting to one fails with
 * VDL_E_CONNECTION.
 *
 * Usage:
 *   vdl_handle* h = vdl_open_tcp();
 *   vdl_connect(h, "file:///var/lib/vandrel/store.db");
 *   vdl_result* r = NULL;
 *   uint32_t rc = vdl_query(h, "SELECT * FROM trades", &r);
 *   if (rc != VDL_OK) puts(vdl_error(rc));
 *   ... read r ...
 *   vdl_release(h, r);
 *   vdl_close(h);
 *
 * Threads: distinct handles may be used from distinct threads at the same time (also on
 * one store file); one handle is meant for one thread at a time (this library lets the
 * vdl_query and vdl_ts_get_metadata calls of several threads on one handle take turns, but
 * callers should not rely on it). Records returned by
 * vdl_query and vdl_ts_get_metadata belong to no handle: they stay valid after vdl_close
 * until vdl_release, and may be released from any thread.
 *
 * Strings passed in are zero-terminated UTF-8.
 */
#ifndef VDL_API_H
#define VDL_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VDL_EXPORT __attribute__((visibility("default")))

/* ------------------------------------------------------------------------------------
 * Error codes (uint32_t). 0 is success. Every failure has the value 1 in bits 24..27,
 * so (code & VDL_FAILURE_MASK) != 0 tells a failure. vdl_error(code) gives the text.
 * This table is the complete list; the texts live in one table inside the library.
 * ------------------------------------------------------------------------------------ */
#define VDL_FAILURE_MASK 0x0F000000u

#define VDL_OK 0x00000000u                  /* success */
#define VDL_E_INVALID_ARGUMENT 0xB1000001u  /* a null handle, pointer or text where one is needed */
#define VDL_E_OUT_OF_MEMORY 0xB1000002u     /* the library could not allocate memory */
#define VDL_E_BAD_URI 0xB1000003u           /* the cluster URI is malformed or of an unknown scheme */
#define VDL_E_CONNECTION 0xB1000004u        /* no cluster answers at the address (vdl:// URIs) */
#define VDL_E_STORE_OPEN 0xB1000005u        /* the store file cannot be opened or is not a store */
#define VDL_E_NOT_CONNECTED 0xB1000006u     /* the handle has not been connected */
#define VDL_E_SYNTAX 0xB1000007u            /* the query text is not valid */
#define VDL_E_NO_TABLE 0xB1000008u          /* the table does not exist */
#define VDL_E_NO_COLUMN 0xB1000009u         /* a column named by the query does not exist */
#define VDL_E_TYPE 0xB100000Au              /* a value or type does not fit (e.g. text into an INT64 column) */
#define VDL_E_TABLE_EXISTS 0xB100000Bu      /* CREATE TABLE of a table that exists */
#define VDL_E_CONSTRAINT 0xB100000Cu        /* a constraint is violated (e.g. NULL $timestamp) */
#define VDL_E_BUSY 0xB100000Du              /* the store stayed locked by another writer too long */
#define VDL_E_QUERY 0xB100000Eu             /* the engine rejected or failed the query for another reason */
#define VDL_E_RESULT_TOO_LARGE 0xB100000Fu  /* a result has more rows than a record can count */
#define VDL_E_ACCESS_DENIED 0xB1000010u     /* credentials refused, or the store is read-only */
#define VDL_E_ALREADY_CONNECTED 0xB1000011u /* vdl_connect on a handle that is connected */
#define VDL_E_STORAGE 0xB1000012u           /* the store failed: I/O error, disk full, corruption */
#define VDL_E_INTERNAL 0xB1000013u          /* an unexpected failure inside the library */

/* ------------------------------------------------------------------------------------
 * Records
 * ------------------------------------------------------------------------------------ */

/* A connection handle; created by vdl_open_tcp, destroyed by vdl_close. */
typedef struct vdl_handle vdl_handle;

/* A column name of a result: zero-terminated; length excludes the terminator. */
typedef struct vdl_column_name {
    const char* data;
    uint32_t length;
} vdl_column_name;

/* Cell kinds */
#define VDL_CELL_NULL (-1)
#define VDL_CELL_DOUBLE 0
#define VDL_CELL_BLOB 1
#define VDL_CELL_INT64 2
#define VDL_CELL_TIMESTAMP 3
#define VDL_CELL_COUNT 4
#define VDL_CELL_STRING 5

/* Blob payload; data is never null (an empty blob points at a zero byte). */
typedef struct vdl_blob {
    const void* data;
    uint32_t length;
} vdl_blob;

/* String payload; zero-terminated, length excludes the terminator; data is never null. */
typedef struct vdl_string {
    const char* data;
    uint32_t length;
} vdl_string;

/* A point in time: seconds since 1970-01-01T00:00:00Z (negative before it) and a
 * nanosecond part that is always in 0..999999999. 1969-12-31T23:59:59.5Z is {-1, 500000000}. */
typedef struct vdl_timestamp {
    int64_t seconds;
    int64_t nanoseconds;
} vdl_timestamp;

/* One value, 24 bytes: kind, 4 bytes of padding (zero), 16 bytes of payload.
 * The payload member to read is chosen by kind; unused payload bytes are zero. */
typedef struct vdl_cell {
    int32_t kind;
    union {
        double as_double;           /* VDL_CELL_DOUBLE */
        vdl_blob as_blob;           /* VDL_CELL_BLOB */
        int64_t as_int64;           /* VDL_CELL_INT64 */
        vdl_timestamp as_timestamp; /* VDL_CELL_TIMESTAMP */
        uint32_t as_count;          /* VDL_CELL_COUNT: a count(...) aggregate */
        vdl_string as_string;       /* VDL_CELL_STRING */
    } payload;
} vdl_cell;

/* The result of a query. rows[r] is an array of column_count cells. The record and
 * everything it points to is one allocation, released by vdl_release. */
typedef struct vdl_result {
    vdl_column_name* names;
    uint32_t column_count;
    vdl_cell** rows;
    uint32_t row_count;
} vdl_result;

/* Column type codes of table metadata */
#define VDL_TYPE_DOUBLE 0
#define VDL_TYPE_BLOB 1
#define VDL_TYPE_INT64 2
#define VDL_TYPE_TIMESTAMP 3
#define VDL_TYPE_STRING 4

/* Column flags of table metadata */
#define VDL_COLUMN_TIME 0x1u     /* the table's designated time column, $timestamp */
#define VDL_COLUMN_NOT_NULL 0x2u /* the column never holds NULL */

typedef struct vdl_column_meta {
    const char* name; /* zero-terminated */
    int32_t type;     /* VDL_TYPE_* */
    uint32_t flags;   /* VDL_COLUMN_* */
} vdl_column_meta;

/* A table's columns in table order; $timestamp comes first. */
typedef struct vdl_metadata {
    vdl_column_meta* columns;
    uint32_t column_count;
} vdl_metadata;

#ifdef __cplusplus
#define VDL_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define VDL_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif
VDL_STATIC_ASSERT(sizeof(void*) == 8, "vdl_api records have the 64-bit layout");
VDL_STATIC_ASSERT(sizeof(vdl_column_name) == 16, "column name entry is 16 bytes");
VDL_STATIC_ASSERT(sizeof(vdl_cell) == 24, "a cell is 24 bytes");
VDL_STATIC_ASSERT(offsetof(vdl_cell, payload) == 8, "cell payload follows kind and padding");
VDL_STATIC_ASSERT(sizeof(vdl_result) == 32, "result record is 32 bytes");
VDL_STATIC_ASSERT(offsetof(vdl_result, column_count) == 8, "result record layout");
VDL_STATIC_ASSERT(offsetof(vdl_result, rows) == 16, "result record layout");
VDL_STATIC_ASSERT(offsetof(vdl_result, row_count) == 24, "result record layout");
VDL_STATIC_ASSERT(sizeof(vdl_column_meta) == 16, "metadata entry is 16 bytes");
VDL_STATIC_ASSERT(sizeof(vdl_metadata) == 16, "metadata record is 16 bytes");
#undef VDL_STATIC_ASSERT

/* ------------------------------------------------------------------------------------
 * Calls
 * ------------------------------------------------------------------------------------ */

/* A new, unconnected handle; null when memory is exhausted. */
VDL_EXPORT vdl_handle* vdl_open_tcp(void);

/* Credentials for a secure cluster. An embedded store accepts any credentials and
 * records the user name. Null texts count as empty. */
VDL_EXPORT uint32_t vdl_option_set_user_credentials(vdl_handle* handle, const char* user_name,
                                                    const char* user_private_key);
VDL_EXPORT uint32_t vdl_option_set_cluster_public_key(vdl_handle* handle, const char* public_key);

/* The most memory the client may use for incoming data, in bytes. For an embedded store
 * it bounds the page cache of the connection, which never grows beyond the engine's default
 * of about 2 MB (results are held in their records, not in the cache); 0 keeps that default. */
VDL_EXPORT uint32_t vdl_option_set_client_max_in_buf_size(vdl_handle* handle, uint32_t size);

/* The most worker threads one query may use (1 = no helpers; 0 is taken as 1). For an
 * embedded store it bounds the engine's sorting helper threads. */
VDL_EXPORT uint32_t vdl_option_set_client_max_parallelism(vdl_handle* handle, uint32_t count);

/* Connects the handle.
 *   file:///absolute/path/store.db, file:relative/path.db, file:/absolute/path.db
 *     open an embedded store, creating the file if it does not exist (the directory
 *     must exist). Percent escapes (%20) are decoded; "?" and "#" parts are refused.
 *   vdl://host[:port]
 *     a network cluster: fails with VDL_E_CONNECTION (no network transport).
 * Anything else fails with VDL_E_BAD_URI. */
VDL_EXPORT uint32_t vdl_connect(vdl_handle* handle, const char* uri);

/* Closes and frees the handle; null is accepted. Records stay valid. */
VDL_EXPORT void vdl_close(vdl_handle* handle);

/* Runs one statement of the query language (a trailing ";" is allowed, a second
 * statement is not). On success *result is the result record, or null when the
 * statement returns no result set (CREATE, DROP, INSERT, UPDATE, DELETE). On failure
 * *result is null. A SELECT returning no rows gives a record with row_count 0.
 *
 * Language summary:
 *   CREATE TABLE [IF NOT EXISTS] t (col TYPE, ...)   TYPE: DOUBLE INT64 STRING BLOB TIMESTAMP
 *       every table gets the column $timestamp TIMESTAMP NOT NULL first (if it is listed,
 *       it must be TIMESTAMP and is moved first); an INSERT that omits it stores the
 *       current time
 *   DROP TABLE [IF EXISTS] t
 *   SHOW TABLES                      one STRING column "name", tables in name order
 *   SELECT / INSERT / UPDATE / DELETE with SQLite expressions, WHERE, GROUP BY, ORDER BY,
 *       LIMIT, aggregates
 *   identifiers: plain, "quoted", or beginning with $ ($timestamp)
 *   literals: numbers, 'text' ('' is a quote), X'00ff' blobs, timestamps written
 *       unquoted as YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS[.fraction of 1..9 digits][Z] (UTC),
 *       DATETIME(<timestamp literal>), DATETIME('<timestamp text>'), NOW(), CURRENT_TIMESTAMP,
 *       CURRENT_TIME (both NOW()) and CURRENT_DATE (the midnight that began NOW()'s UTC day)
 *   CAST(e AS TIMESTAMP), CAST(e AS DATETIME) and CAST(e AS DATE) read e (a timestamp, or a
 *       text that is one) as a timestamp, DATE as the midnight of its day
 *   a number is exactly the value its text denotes: an integer of 64 bits, else the nearest
 *       double (every shortest decimal form of a double reads back as that double); one
 *       statement holds at most 250000 numbers and timestamps (VDL_E_QUERY beyond)
 *   an integer stored into a TIMESTAMP column is nanoseconds since 1970-01-01T00:00:00Z;
 *   timestamps range from 1677-09-21T00:12:43.145224192Z to 2262-04-11T23:47:16.854775807Z.
 *
 * Result cells: TIMESTAMP table columns, and select items MIN(c) and MAX(c) of one, give
 * VDL_CELL_TIMESTAMP, count(...) select items give VDL_CELL_COUNT (VDL_CELL_INT64 above 4294967295), BLOB columns
 * VDL_CELL_BLOB, other values their stored type (integer, real, text, blob, NULL).
 * Every column keeps to one kind besides NULL (and the count/int64 split): in a column
 * of an expression whose values mix types, integers among reals come as VDL_CELL_DOUBLE,
 * and numbers or timestamps among texts or blobs as VDL_CELL_STRING text. */
VDL_EXPORT uint32_t vdl_query(vdl_handle* handle, const char* query, vdl_result** result);

/* The columns of a table in table order. VDL_E_NO_TABLE when it does not exist. */
VDL_EXPORT uint32_t vdl_ts_get_metadata(vdl_handle* handle, const char* table, vdl_metadata** metadata);

/* The cell kind (VDL_CELL_*) of each column of a live result from vdl_query, also when it has no
 * rows or only NULL cells: writes count entries to kinds, VDL_CELL_NULL for a column whose kind
 * cannot be told (an expression without values) and for entries beyond the column count.
 * VDL_E_INVALID_ARGUMENT for a pointer that is not a live result. Added after the first release
 * of this interface: a program that must also run with an earlier library looks it up at run
 * time or declares it weak. */
VDL_EXPORT uint32_t vdl_result_column_kinds(const vdl_result* result, int32_t* kinds, uint32_t count);
/* Frees a record from vdl_query or vdl_ts_get_metadata. The handle is not used (it may
 * be null or already closed); a null record is accepted. Returns VDL_E_INVALID_ARGUMENT,
 * and frees nothing, for a pointer that is not a live record. */
VDL_EXPORT uint32_t vdl_release(vdl_handle* handle, void* record);

/* The text of a code: its stable text, followed by ": " and the detail of the most
 * recent failure with that code on the calling thread, if any. The text stays valid
 * until the next vdl_ call on the calling thread. Never null. */
VDL_EXPORT const char* vdl_error(uint32_t code);

#ifdef __cplusplus
}
#endif

#endif /* VDL_API_H */
