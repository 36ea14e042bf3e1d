/*
 * vtx.h - the public C interface of the Tarrow board programming library.
 *
 * Every operation takes an argument record that begins with the two result words `status` and
 * `line_status`; the library writes them, the application reads them. Records are plain C with
 * fixed-width fields. Comments say who writes which field: "in" the application, "out" the
 * library.
 */
#ifndef VTX_H
#define VTX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result words ------------------------------------------------------------------------ */

/* Outcome classes of `status`. */
#define CV_STATUS_OK 0
#define CV_STATUS_ERROR 2
#define CV_STATUS_ERROR_DIAL 3
#define CV_STATUS_ERROR_HANGUP 4
#define CV_STATUS_USER_TERMINATED 5
#define CV_STATUS_TIMEOUT 6
#define CV_STATUS_ALERT 7
#define CV_STATUS_VV 8
#define CV_STATUS_CONTINUING 9

/* API error codes: `line_status` when `status` is CV_STATUS_ERROR. */
#define APIERR_UNCLASSIFIED 0
#define APIERR_FILEIO 1
#define APIERR_FILEFORMAT 2
#define APIERR_BOARDCAPABILITY 3
#define APIERR_NOTCONNECTED 4
#define APIERR_BADPARAMETER 5
#define APIERR_MEMORY 6
#define APIERR_BADSTATE 7
#define APIERR_TOOSOON 8
#define APIERR_BUSY 9
#define APIERR_DRV_OPEN_ERR 10
#define APIERR_DRV_IOCTL_ERR 11
#define APIERR_VERSION 12
#define APIERR_INVALID_PORT 13
#define APIERR_RINGING 14
#define APIERR_INFOPKT_NESTING 15
#define APIERR_MAX_TAGS 16
#define APIERR_LOCK_FAILED 17
#define APIERR_INSUFF_BUFFER 18
#define APIERR_INVALID_DEST_ADDR 19
#define APIERR_PACKET_CREATION 20
#define APIERR_PACKET_PARSE 21
#define APIERR_PACKET_SEND 22
#define APIERR_PACKET_RECEIVE 23
#define APIERR_DATA 24
#define APIERR_INVALID_BOARD_PARAM 25
#define APIERR_FIRMWARE_ERR_DETECTED 26
#define APIERR_MODULE_REMOVED 27
#define APIERR_BOARD_NO_RESPONSE 28
#define APIERR_ASYNC_LP_ERR 29
#define APIERR_ASYNC_CONTEXT_ERR 30
#define APIERR_DRV_RESOURCES 31
#define APIERR_MODULE_RESET_FAILURE 32
#define APIERR_MODULE_I2O_FAILURE 33
#define APIERR_MODULE_CONFIG_TIMEOUT 34
#define APIERR_NO_TRANSPORT 35

/* The two result words that begin every argument record. */
typedef struct VtxResult {
  uint32_t status;      /* out: outcome class */
  uint32_t line_status; /* out: detail within the class */
} VtxResult;

/* ---- Application version ----------------------------------------------------------------- */

/* The library's own version words: interface 20, version 5.0, build 17, A number 296. */
#define CV_API_VERSION 2005000u
#define CV_API_BUILD 1705000u
#define CV_API_ANUMBER 296u

/* Written by the application before its first call (CV_API_SET_VER does it). */
extern uint32_t VtxAppApiVersion;
extern uint32_t VtxAppBuild;
extern uint32_t VtxAppANumber;

#define CV_API_SET_VER()                 \
  do {                                   \
    VtxAppApiVersion = CV_API_VERSION;   \
    VtxAppBuild = CV_API_BUILD;          \
    VtxAppANumber = CV_API_ANUMBER;      \
  } while (0)

/* ---- Lines ------------------------------------------------------------------------------- */

/* A line: the handle returned by line and session attach. Its record is the library's. */
typedef struct VtxLine VtxLine;

/* ---- Driver access ----------------------------------------------------------------------- */

#define VTX_DRIVER_DEVICE "/dev/tarrow"
#define VTX_CONTROL_DEVICE "/dev/faxctl"
#define VTX_DRIVER_INTERFACE 30 /* the interface version the library requires */
#define VTX_IOCTL_CODE 0x80E82000u

/* Driver sub-commands; each one's parameter block is given beside it or in its operation. */
#define VTX_DRV_GET_VERSION 0         /* VtxDriverVersion */
#define VTX_DRV_SESSION_CREATE 10     /* VtxDrvSessionBlock */
#define VTX_DRV_SESSION_DESTROY 11    /* VtxDrvSessionBlock */
#define VTX_DRV_MSG_SEND 12           /* VtxDrvMsgBlock */
#define VTX_DRV_MSG_RECEIVE 13        /* VtxDrvMsgBlock */
#define VTX_DRV_ADDRESS_ASSOC 14      /* VtxDrvAssocBlock */
#define VTX_DRV_CLEAR_OUTPUT 15       /* VtxDrvClearBlock */
#define VTX_DRV_MODULE_INFO 18        /* VtxDrvModuleInfoBlock */
#define VTX_DRV_MODULE_RECONFIG 19    /* VtxDrvModuleCtlBlock */
#define VTX_DRV_ADDRESS_CHECK 20      /* VtxDrvAddressCheckBlock */
#define VTX_DRV_MODULE_RESET 21       /* VtxDrvModuleCtlBlock */
#define VTX_DRV_MODULE_DEACTIVATE 22  /* VtxDrvDeactivateBlock */
#define VTX_DRV_MODULE_CONFIG_SPECS 23 /* VtxDrvConfigSpecsBlock */
#define VTX_DRV_MSG_SEND_ASYNC 25     /* VtxDrvMsgBlock */
#define VTX_DRV_MSG_RECEIVE_ASYNC 26  /* VtxDrvMsgBlock */
#define VTX_DRV_ASYNC_CANCEL 27       /* VtxDrvModuleCtlBlock, word 0 the session handle */
#define VTX_DRV_CLEAR_INPUT 28        /* VtxDrvClearBlock */

/* The I/O control request: one record in and out. */
typedef struct VtxDrvIoRequest {
  uint32_t subcommand; /* in */
  uint32_t result;     /* out: 0 or a POSIX error number */
  void* block;         /* in: the sub-command's parameter block */
} VtxDrvIoRequest;

/* GET_VERSION: the driver version block, filled by the driver. */
typedef struct VtxDriverVersion {
  int32_t driver_version;
  int32_t driver_build;
  int32_t pipr_version;
  int32_t interface_version;
  int32_t full_byte_address_mode;
} VtxDriverVersion;

/* SESSION_CREATE and SESSION_DESTROY. */
#define VTX_SESSION_RESET_ON_CLOSE 0x1u
#define VTX_SESSION_UNIQUE 0x2u
#define VTX_SESSION_ATTACH50 0x4u
typedef struct VtxDrvSessionBlock {
  uint32_t session;      /* out on create, in on destroy */
  uint8_t address[4];    /* in: requested local address; out: the session's own address */
  uint32_t flags;        /* in: VTX_SESSION_ */
  uint32_t drv_status;   /* out: GDI_STS code */
  uint32_t buffer_size;  /* in */
  uint32_t session_parm2; /* in */
  uint32_t session_parm1; /* in */
} VtxDrvSessionBlock;

/* ADDRESS_ASSOC. */
typedef struct VtxDrvAssocBlock {
  uint32_t session;   /* in */
  uint8_t address[4]; /* in: the address to associate; out: the one associated */
  uint32_t drv_status; /* out */
} VtxDrvAssocBlock;

/* MSG_SEND, MSG_RECEIVE and their asynchronous forms. */
#define VTX_MSG_PRIORITY 0x1u
#define VTX_MSG_REFUSE_IF_INPUT 0x2u
#define VTX_MSG_RAW 0x4u
#define VTX_MSG_OPTION8 0x8u
typedef struct VtxDrvMsgBlock {
  uint32_t session;     /* in */
  uint8_t* buffer;      /* in: the packet to send, or the buffer to receive into */
  uint32_t length;      /* in: packet length or buffer size; out: accepted or received bytes */
  uint32_t timeout_ms;  /* in */
  uint32_t options;     /* in/out: VTX_MSG_ */
  uint32_t drv_status;  /* out */
  uint32_t notify_address; /* in: asynchronous forms only */
  uint32_t dest_address;   /* raw data: in on send, out on receive */
  uint32_t src_address;    /* raw data */
  uint32_t data_bits;      /* raw data */
  uint32_t stream;         /* raw data */
} VtxDrvMsgBlock;

/* CLEAR_INPUT and CLEAR_OUTPUT. */
typedef struct VtxDrvClearBlock {
  uint32_t session;      /* in */
  uint32_t dest_address; /* in: CLEAR_OUTPUT's destination; 0 for CLEAR_INPUT */
  uint32_t clear_option; /* in */
  uint32_t drv_status;   /* out */
} VtxDrvClearBlock;

/* MODULE_INFO: zeroed by the library but for the module number, filled by the driver. */
typedef struct VtxDrvModuleInfoBlock {
  uint32_t mod_num;
  uint32_t exists;
  uint32_t num_channels;
  uint32_t hardware;
  uint32_t bus_type;
  uint32_t hw_type;
  uint32_t hw_id;
  uint32_t ordinal_start;
  uint32_t num_ordinals;
  uint32_t num_ordinals_init;
  uint16_t pci_vend_id;
  uint16_t pci_dev_id;
  uint16_t pci_sub_vend_id;
  uint16_t pci_sub_id;
  uint32_t pci_interf_type;  /* low byte used */
  uint32_t boot_ver_major;   /* low byte used */
  uint32_t boot_ver_middle;  /* low byte used */
  uint32_t boot_ver_minor;   /* low byte used */
  uint32_t boot_ver_build;   /* low byte used */
  uint32_t boot_ver_auto_num; /* low 16 bits used */
  char boot_ver_date[20];
  char boot_ver_comment[52]; /* first 50 bytes used */
  uint32_t pci_runtime_start, pci_runtime_size, pci_mem_start, pci_mem_size;
  uint32_t pci_modctrl_start, pci_modctrl_size, pci_io_start, pci_io_size, pci_irq;
  uint32_t hw_info;
  uint16_t name[64]; /* UTF-16 */
  uint32_t unused;
} VtxDrvModuleInfoBlock;

/* MODULE_CONFIG_SPECS. */
typedef struct VtxDrvConfigSpecsBlock {
  uint32_t mod_num;   /* in */
  uint32_t result;    /* out: 0 when the specification exists */
  uint32_t spec_num;  /* in */
  uint32_t value;     /* out */
  char desc[52];      /* out: terminated */
} VtxDrvConfigSpecsBlock;

/* ADDRESS_CHECK. */
typedef struct VtxDrvAddressCheckBlock {
  uint8_t address[4]; /* in */
  uint32_t result;    /* out: 0 when the address exists */
} VtxDrvAddressCheckBlock;

/* MODULE_DEACTIVATE. */
typedef struct VtxDrvDeactivateBlock {
  uint32_t mod_num;    /* in */
  uint32_t drv_status; /* out */
} VtxDrvDeactivateBlock;

/* MODULE_RESET, MODULE_RECONFIG and ASYNC_CANCEL: word 0 the module number (the session handle
 * for ASYNC_CANCEL), word 1 the configuration value of MODULE_RECONFIG, word 2 the driver status. */
typedef struct VtxDrvModuleCtlBlock {
  uint32_t word0;
  uint32_t config_value;
  uint32_t drv_status;
} VtxDrvModuleCtlBlock;

/* Driver status codes (GDI_STS). */
#define GDI_STS_OK 0
#define GDI_STS_FAILED 1
#define GDI_STS_PORTHANDLEBAD 2
#define GDI_STS_PORTGROUPHANDLEBAD 3
#define GDI_STS_PORTNOTEXIST 4
#define GDI_STS_PORTNOTAVAIL 5
#define GDI_STS_LENGTHBAD 6
#define GDI_STS_SESSIONHANDLEBAD 7
#define GDI_STS_NODATA 8
#define GDI_STS_MSG_NOT_SENT 9
#define GDI_STS_BUFFER_TOO_BIG 10
#define GDI_STS_INVALID_HANDLE 11
#define GDI_STS_INVALID_VALUE 12
#define GDI_STS_INVALID_MSG 13
#define GDI_STS_MEMORY_SIZE 14
#define GDI_STS_NEW_SEGMENT 15
#define GDI_STS_MSG_END 16
#define GDI_STS_MSG_NO_DATA 17
#define GDI_STS_MSG_PUSH 18
#define GDI_STS_RESOURCES 19
#define GDI_STS_NAME_TOO_LONG 20
#define GDI_STS_ADDRESS_INVALID 21
#define GDI_STS_ADDRESS_IN_USE 22
#define GDI_STS_INVALID_STATE 23
#define GDI_STS_FLOW 24
#define GDI_STS_SERVER 25
#define GDI_STS_NOCREDIT 26
#define GDI_STS_SIGNATURE 27
#define GDI_STS_ALREADY_DONE 28
#define GDI_STS_SCAN_RETURN 29
#define GDI_STS_SCAN_RETURN_NULL 30
#define GDI_STS_SCAN_NEXT 31
#define GDI_STS_NO_MIL_PACKET 32
#define GDI_STS_INIT 33
#define GDI_STS_TIMEOUT 34
#define GDI_STS_INTR 35
#define GDI_STS_NOLOCK 36
#define GDI_STS_ONMSGAVAILABLE 37
#define GDI_STS_PENDING 38
#define GDI_STS_SIZE 39
#define GDI_STS_INUSE 40
#define GDI_STS_DESTROY_PENDING 41
#define GDI_STS_POOL_MAX 42
#define GDI_STS_REQUEST 43
#define GDI_STS_BLOCKED 44
#define GDI_STS_TYPE 45
#define GDI_STS_ADDRESS_NULL 46
#define GDI_STS_LNODE_OBJECT_NULL 47
#define GDI_STS_NOT_REGISTERED 48
#define GDI_STS_ID 49
#define GDI_STS_NOT_DEFINED 50
#define GDI_STS_CANCELLED 51
#define GDI_STS_INACTIVE 52
#define GDI_STS_NOT_SUPPORTED 53
#define GDI_STS_OVERFLOW 54
#define GDI_STS_UNKNOWN_MSG_ELEMENT 55
#define GDI_STS_LNODE_NOT_IN_LIST 56
#define GDI_STS_INTR_WIN_APC 57
#define GDI_STS_INTR_WIN_ALERT 58
#define GDI_STS_VOID 59
#define GDI_STS_COUNT 60 /* codes from here on have no name */

/* The driver's own entry points: POSIX-style, 0 or -1 with errno. */
int VtxDrvOpen(const char* device_name);
int VtxDrvClose(int handle);
int VtxDrvRequest(int handle, uint32_t subcommand, void* block);
/* Sets `status` 2 and `line_status` for a non-zero driver status; returns 1 then, else 0. */
int VtxDrvStatusToApiError(VtxResult* result, uint32_t drv_status);
/* The GDI_STS name of a driver status, or "GDI_STS_? %u" for an unknown one. */
const char* VtxDrvStatusName(uint32_t drv_status);

/* ---- Module queries ---------------------------------------------------------------------- */

/* Argument of VtxModuleInfo. */
typedef struct VtxModuleInfoArgs {
  uint32_t status, line_status; /* out */
  uint32_t mod_num;             /* in */
  uint32_t exists;              /* out: every field below too */
  uint32_t num_channels;
  uint32_t hardware;
  uint32_t bus_type; /* 3: a module that cannot be deactivated */
  uint32_t hw_type;
  uint32_t hw_id;
  uint32_t ordinal_start;
  uint32_t num_ordinals;
  uint16_t pci_vend_id, pci_dev_id, pci_sub_vend_id, pci_sub_id;
  uint8_t pci_interf_type;
  uint8_t boot_ver_major, boot_ver_middle, boot_ver_minor, boot_ver_build;
  uint16_t boot_ver_auto_num;
  char boot_ver_date[20];
  char boot_ver_comment[50];
  uint32_t pci_runtime_start, pci_runtime_size, pci_mem_start, pci_mem_size;
  uint32_t pci_modctrl_start, pci_modctrl_size, pci_io_start, pci_io_size, pci_irq;
  uint16_t name[64]; /* UTF-16, as the device's location information names the module */
  uint32_t hw_info;
  uint32_t num_ordinals_init;
} VtxModuleInfoArgs;

/* Argument of VtxModuleConfigSpecsGet, VtxCheckAddress, VtxCheckFacility, VtxModuleDeactivate. */
typedef struct VtxModuleArgs {
  uint32_t status, line_status; /* out */
  uint32_t mod_num;             /* in */
  uint32_t exists;              /* out: VtxCheckAddress, VtxCheckFacility */
  uint32_t facility;            /* in: VtxCheckFacility, low byte used */
  uint8_t m_addr[4];            /* in: VtxCheckAddress; out: VtxCheckFacility */
  uint32_t config_spec_num;     /* in */
  uint32_t config_spec_value;   /* out */
  char config_spec_desc[52];    /* out */
  int32_t slot_num;             /* in: VtxModuleDeactivate */
  int32_t deact_mode;           /* in: VtxModuleDeactivate, 1 for the group of eight */
} VtxModuleArgs;

int VtxModuleInfo(VtxLine* line, VtxModuleInfoArgs* args);
/* Returns 1 found, 0 no such specification, -1 failure. */
int VtxModuleConfigSpecsGet(VtxLine* line, VtxModuleArgs* args);
int VtxCheckAddress(VtxLine* line, VtxModuleArgs* args);
int VtxCheckFacility(VtxLine* line, VtxModuleArgs* args);
int VtxModuleDeactivate(VtxModuleArgs* args);

/* ---- Trace control ---- */

/* Trace level bits: a message at level N is written when the level mask AND N is non-zero. */
#define VTX_TRACE_RESET 0x1u  /* resets and truncated packets */
#define VTX_TRACE_PACKET 0x2u /* packet contents and line events */
#define VTX_TRACE_INFO 0x4u
#define VTX_TRACE_ERROR 0x8u
#define VTX_TRACE_ALL 0xFFFFFFFFu

/* Function-debug option bits. */
#define VTX_FUNC_DBG_CALLS 0x1u  /* "Called" and "Return" lines */
#define VTX_FUNC_DBG_DETAIL 0x2u /* with the call's arguments and results */

/* `debug_options` bits: which settings VtxDebugControl applies. */
#define VTX_DEBUG_DISTRIBUTE 0x1u      /* send the record to other trace users instead */
#define VTX_DEBUG_SET_MODE 0x2u        /* exchange the level mask with `debug_mode` */
#define VTX_DEBUG_SET_FUNCTION 0x4u    /* install `trace_func` (null: standard output) */
#define VTX_DEBUG_SET_FUNC_OPTS 0x8u   /* function-debug options from `debug_func_dbg_opts` */
#define VTX_DEBUG_CC_API 0x10u         /* call-control trace kinds 0 to 5 get */
#define VTX_DEBUG_CC_L3L4 0x20u        /*   the level `debug_cc_trace_level` */
#define VTX_DEBUG_CC_L4L3 0x40u
#define VTX_DEBUG_CC_INTERNAL 0x80u
#define VTX_DEBUG_CC_HOST_MODULE 0x100u
#define VTX_DEBUG_CC_IP_STACK 0x200u
#define VTX_DEBUG_CC_FILE 0x400u       /* call-control trace file from `debug_cc_trace_file` */
#define VTX_DEBUG_SET_FILES 0x800u     /* trace files from the two names and the limit */

/* Receives the text of every trace line (without a line end). */
typedef int (*VtxTraceFunc)(const char* line);

/* Argument of VtxDebugControl; a DEBUG_CONTROL command carries the same values as tags. */
typedef struct VtxDebugControlArgs {
  uint32_t status, line_status;    /* out */
  uint32_t debug_options;          /* in: DEBUG_OPTIONS, VTX_DEBUG_ bits */
  VtxTraceFunc trace_func;         /* in */
  uint32_t debug_mode;             /* in: DEBUG_MODE, the new level mask; out: the previous one */
  const char* debug_fname1;        /* in: DEBUG_FNAME1; "%p" stands for the process identifier */
  const char* debug_fname2;        /* in: DEBUG_FNAME2, the file alternating with the first */
  uint32_t debug_file_limit;       /* in: DEBUG_FILE_LIMIT, bytes per alternating file */
  int32_t target_ordinal;          /* in: distribution: a channel ordinal, or -1 for all */
  uint8_t assoc_addr[4];           /* in: distribution: used when its first byte is non-zero */
  uint8_t dest_addr[4];            /* in: distribution: used when its first byte is non-zero */
  uint32_t debug_cc_trace_level;   /* in: DEBUG_CC_TRACE_LEVEL */
  const char* debug_cc_trace_file; /* in: DEBUG_CC_TRACE_FILE */
  uint32_t debug_func_dbg_opts;    /* in: DEBUG_FUNC_DBG_OPTS, VTX_FUNC_DBG_ bits */
} VtxDebugControlArgs;

int VtxDebugControl(VtxDebugControlArgs* args);

/* ---- End of trace control ---- */

#ifdef __cplusplus
}
#endif

#endif /* VTX_H */
