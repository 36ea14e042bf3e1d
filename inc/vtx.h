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

#define CV_API_SET_VER()               \
  do {                                 \
    VtxAppApiVersion = CV_API_VERSION; \
    VtxAppBuild = CV_API_BUILD;        \
    VtxAppANumber = CV_API_ANUMBER;    \
  } while (0)

/* ---- Call frame and status texts ---------------------------------------------------------- */

/* Memory hooks: every allocation of the library goes through them. `ordinal` is the channel
 * ordinal of the line the memory is for (-1 without one), `tag` says what the memory holds
 * (1 the line record, 3 packet buffers, 17 a line's auxiliary buffer). */
typedef void* (*VtxAllocFunc)(size_t size, int32_t ordinal, uint32_t tag);
typedef void (*VtxFreeFunc)(void* pointer, int32_t ordinal, uint32_t tag);

/* Installs both hooks; a null hook restores the process heap's malloc or free. */
void VtxMemAllocFuncsSet(VtxAllocFunc alloc_func, VtxFreeFunc free_func);

/* Records whose older layouts the library still converts. Their sizes with four-byte pointers
 * are fixed by the applications built against older versions; fields marked "reserved" belong
 * to operations that read or write them beyond this header's concern and must stay zero. */

#pragma pack(push, 1)
/* Argument of VtxLineAttach, VtxSessionAttach, VtxLineDetach, VtxLineReset and VtxLineConfig.
 * Up to version 4.8 the record ends before `attach_option`. */
typedef struct VtxLineArgs {
  uint32_t status, line_status; /* out */
  int32_t unit;                 /* in: channel ordinal for VtxLineAttach; negative searches */
  uint8_t dest_addr[4];         /* in: destination module address */
  uint8_t local_addr[4];        /* in: requested own address; out: the session's own address */
  uint32_t present;             /* in: non-zero: the destination must exist */
  uint32_t unique;              /* in: non-zero: the destination must not be in use */
  uint32_t reset_on_close;      /* in: session flag for the driver */
  uint32_t buf_size;            /* in: session buffer size */
  uint32_t session_parm1;       /* in: passed to the session create unchanged */
  uint32_t session_parm2;       /* in: passed to the session create unchanged */
  const char* config_file_name; /* in: user preference file of VtxLineReset, or null */
  uint32_t reset_status;        /* out: the line's reset status flags */
  uint32_t use_config_lines;    /* in: VtxLineReset: the application feeds the lines itself */
  uint32_t mill_load_fonts;     /* in: VtxLineReset */
  uint32_t skip_teleph;         /* in: VtxLineReset, VtxLineConfig */
  uint32_t err_on_deact;        /* in: non-zero: register for module deactivation notices */
  uint32_t no_init;             /* in: VtxLineReset, VtxLineConfig: no firmware reset */
  const char* config_file_line; /* in: VtxLineConfig: one configuration line, null closes */
  uint32_t no_fonts;            /* in: VtxLineConfig: ignore `font_file` */
  uint8_t reserved[97];         /* further line set-up fields */
  uint32_t async_lp;            /* in: asynchronous context; 0 for the synchronous operations */
  uint32_t attach_option;       /* in, since 5.0: non-zero skips the destination check */
} VtxLineArgs;
#pragma pack(pop)

/* A socket address in the IPv4 form. */
typedef struct VtxSockAddr {
  uint16_t sin_family;
  uint16_t sin_port;
  uint8_t sin_addr[4];
  uint8_t sin_zero[8];
} VtxSockAddr;

/* The T.38 parameters, in negotiation order. */
typedef struct VtxT38Params {
  uint32_t t38_version;
  uint32_t t38_max_bit_rate;
  uint32_t t38_fax_fill_bit_removal;
  uint32_t t38_fax_transcoding_MMR;
  uint32_t t38_fax_transcoding_JBIG;
  uint32_t t38_fax_rate_management;
  uint32_t t38_fax_max_buffer;
  uint32_t t38_fax_max_datagram_recv;
  uint32_t t38_fax_udp_EC;
  uint32_t t38_fax_max_datagram_send;
  uint32_t t38_UDPTL_redundancy_depth_control;
  uint32_t t38_UDPTL_redundancy_depth_image;
  uint32_t t38_t30_fast_notify;
} VtxT38Params;

/* The destination of an IP connection: UDPTL options, then RTP options. */
typedef struct VtxUdptlOptions {
  VtxSockAddr remoteAddr;
  VtxSockAddr localAddr;
  VtxT38Params t38;
  VtxSockAddr remoteRTCPAddr; /* filled by the connection query */
  VtxSockAddr localRTCPAddr;  /* filled by the connection query */
  uint8_t reserved[64];
} VtxUdptlOptions;

typedef struct VtxRtpOptions {
  VtxSockAddr remoteRTPAddr;
  VtxSockAddr localRTPAddr;
  VtxSockAddr remoteRTCPAddr;
  VtxSockAddr localRTCPAddr;
  uint8_t reserved[116];
} VtxRtpOptions;

/* The addresses of the source side of an IP connection as the connection query reports them:
 * the UDPTL addresses with their RTCP addresses, then the RTP options' four addresses. */
typedef struct VtxSrcIpAddrs {
  VtxSockAddr remoteAddr;
  VtxSockAddr localAddr;
  VtxSockAddr remoteRTCPAddr; /* of the UDPTL options */
  VtxSockAddr localRTCPAddr;  /* of the UDPTL options */
  VtxSockAddr remoteRTPAddr;
  VtxSockAddr localRTPAddr;
  VtxSockAddr rtpRemoteRTCPAddr; /* of the RTP options */
  VtxSockAddr rtpLocalRTCPAddr;  /* of the RTP options */
} VtxSrcIpAddrs;

/* The same options as version 4.9 laid them out. */
typedef struct VtxUdptlOptions49 {
  VtxSockAddr remoteAddr;
  VtxSockAddr localAddr;
  VtxT38Params t38;
} VtxUdptlOptions49;

typedef struct VtxRtpOptions49 {
  VtxSockAddr remoteRTPAddr;
  VtxSockAddr localRTPAddr;
  VtxSockAddr remoteRTCPAddr;
  VtxSockAddr localRTCPAddr;
  uint8_t reserved[20];
} VtxRtpOptions49;

/* The fields that every layout of the telephony and switching record begins with. */
#define VTX_TELEPH_ARGS_FIELDS                                                  \
  uint32_t status, line_status; /* out */                                       \
  uint32_t port_type;           /* out: port-type word of the reported port */  \
  uint32_t src_port_class;                                                      \
  uint32_t src_port_unit;                                                       \
  uint32_t src_stream;                                                          \
  uint32_t src_slot;                                                            \
  uint32_t dest_port_class;                                                     \
  uint32_t dest_port_unit;                                                      \
  uint32_t dest_stream;                                                         \
  uint32_t dest_slot;                                                           \
  uint32_t conn_mode;                                                           \
  void* iter_context;      /* null before the first call of a port list walk */ \
  uint32_t async_lp;       /* 0: these operations are synchronous */            \
  uint32_t src_port_type;  /* out: VtxCallSWGetConns */                         \
  uint32_t dest_port_type; /* out: VtxCallSWGetConns */                         \
  VtxSrcIpAddrs src_ip;    /* out: VtxCallSWGetConns, an IP source side */      \
  uint8_t reserved[36]

/* Argument of the telephony and switching operations. */
typedef struct VtxTelephArgs {
  VTX_TELEPH_ARGS_FIELDS;
  VtxUdptlOptions udptl_opts; /* destination of an IP connection, class 12 */
  VtxRtpOptions rtp_opts;     /* destination of an IP connection, class 19 */
} VtxTelephArgs;

typedef struct VtxTelephArgs49 {
  VTX_TELEPH_ARGS_FIELDS;
  VtxUdptlOptions49 udptl_opts;
  VtxRtpOptions49 rtp_opts;
} VtxTelephArgs49;

typedef struct VtxTelephArgs48 {
  VTX_TELEPH_ARGS_FIELDS;
} VtxTelephArgs48;

/* Called by VtxDialDBList for each database record (96 bytes) until it returns non-zero. */
typedef int (*VtxDialDBFunc)(const uint8_t* db_record, void* arg);

/* The texts of the call-progress and dialling-database record, `N` characters each. */
#define VTX_DIAL_TEXTS_FIELDS(N)                   \
  uint32_t text_flags;                             \
  char db_file[N];    /* dialling database file */ \
  char raw_number[N]; /* the number as dialled */  \
  char cp_text1[N];   /* call-progress texts */    \
  char cp_text2[N];                                \
  char cp_text3[N];                                \
  uint32_t text_reserved

#define VTX_DIAL_ARGS_TAIL_FIELDS                                               \
  const VtxResult* db_res; /* in: result words of the call, or null */          \
  int32_t wait_time;       /* out: seconds still to wait, -1 refused, 0 free */ \
  int32_t reason;          /* out */                                            \
  VtxDialDBFunc db_func;   /* in: VtxDialDBList */                              \
  void* arg;               /* in: VtxDialDBList */                              \
  uint32_t async_lp;       /* in: must be 0 */                                  \
  uint8_t reserved[126]

#pragma pack(push, 1)
typedef struct VtxDialTexts {
  VTX_DIAL_TEXTS_FIELDS(256);
} VtxDialTexts;

typedef struct VtxDialTexts48 {
  VTX_DIAL_TEXTS_FIELDS(128);
} VtxDialTexts48;

/* Argument of the call-progress and dialling-database operations. */
typedef struct VtxDialArgs {
  uint32_t status, line_status; /* out */
  VtxDialTexts texts;
  VTX_DIAL_ARGS_TAIL_FIELDS;
} VtxDialArgs;

/* The same record as version 4.8 laid it out, with texts of 128 characters. */
typedef struct VtxDialArgs48 {
  uint32_t status, line_status;
  VtxDialTexts48 texts;
  VTX_DIAL_ARGS_TAIL_FIELDS;
} VtxDialArgs48;
#pragma pack(pop)

/* ---- Lines ------------------------------------------------------------------------------- */

/* A line: the handle returned by line and session attach. Its record is the library's. */
typedef struct VtxLine VtxLine;

/* Attach a line to a destination address (VtxSessionAttach) or to a channel by its ordinal
 * `unit`, a negative `unit` searching for a free one (VtxLineAttach). They return the line, or
 * null with the result words set. VtxLineDetach destroys the session and frees the line; it
 * returns 0, or -1 with the line still attached. */
VtxLine* VtxSessionAttach(VtxLineArgs* args);
VtxLine* VtxLineAttach(VtxLineArgs* args);
int VtxLineDetach(VtxLine* line, VtxLineArgs* args);

/* ---- Driver access ----------------------------------------------------------------------- */

#define VTX_DRIVER_DEVICE "/dev/tarrow"
#define VTX_CONTROL_DEVICE "/dev/faxctl"
#define VTX_DRIVER_INTERFACE 30 /* the interface version the library requires */
#define VTX_IOCTL_CODE 0x80E82000u

/* Driver sub-commands; each one's parameter block is given beside it or in its operation. */
#define VTX_DRV_GET_VERSION 0          /* VtxDriverVersion */
#define VTX_DRV_SESSION_CREATE 10      /* VtxDrvSessionBlock */
#define VTX_DRV_SESSION_DESTROY 11     /* VtxDrvSessionBlock */
#define VTX_DRV_MSG_SEND 12            /* VtxDrvMsgBlock */
#define VTX_DRV_MSG_RECEIVE 13         /* VtxDrvMsgBlock */
#define VTX_DRV_ADDRESS_ASSOC 14       /* VtxDrvAssocBlock */
#define VTX_DRV_CLEAR_OUTPUT 15        /* VtxDrvClearBlock */
#define VTX_DRV_MODULE_INFO 18         /* VtxDrvModuleInfoBlock */
#define VTX_DRV_MODULE_RECONFIG 19     /* VtxDrvModuleCtlBlock */
#define VTX_DRV_ADDRESS_CHECK 20       /* VtxDrvAddressCheckBlock */
#define VTX_DRV_MODULE_RESET 21        /* VtxDrvModuleCtlBlock */
#define VTX_DRV_MODULE_DEACTIVATE 22   /* VtxDrvDeactivateBlock */
#define VTX_DRV_MODULE_CONFIG_SPECS 23 /* VtxDrvConfigSpecsBlock */
#define VTX_DRV_MSG_SEND_ASYNC 25      /* VtxDrvMsgBlock */
#define VTX_DRV_MSG_RECEIVE_ASYNC 26   /* VtxDrvMsgBlock */
#define VTX_DRV_ASYNC_CANCEL 27        /* VtxDrvModuleCtlBlock, word 0 the session handle */
#define VTX_DRV_CLEAR_INPUT 28         /* VtxDrvClearBlock */

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
  uint32_t session;       /* out on create, in on destroy */
  uint8_t address[4];     /* in: requested local address; out: the session's own address */
  uint32_t flags;         /* in: VTX_SESSION_ */
  uint32_t drv_status;    /* out: GDI_STS code */
  uint32_t buffer_size;   /* in */
  uint32_t session_parm2; /* in */
  uint32_t session_parm1; /* in */
} VtxDrvSessionBlock;

/* ADDRESS_ASSOC. */
typedef struct VtxDrvAssocBlock {
  uint32_t session;    /* in */
  uint8_t address[4];  /* in: the address to associate; out: the one associated */
  uint32_t drv_status; /* out */
} VtxDrvAssocBlock;

/* MSG_SEND, MSG_RECEIVE and their asynchronous forms. */
#define VTX_MSG_PRIORITY 0x1u
#define VTX_MSG_REFUSE_IF_INPUT 0x2u
#define VTX_MSG_RAW 0x4u
#define VTX_MSG_OPTION8 0x8u
typedef struct VtxDrvMsgBlock {
  uint32_t session;        /* in */
  uint8_t* buffer;         /* in: the packet to send, or the buffer to receive into */
  uint32_t length;         /* in: packet length or buffer size; out: accepted or received bytes */
  uint32_t timeout_ms;     /* in */
  uint32_t options;        /* in/out: VTX_MSG_ */
  uint32_t drv_status;     /* out */
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
  uint32_t pci_interf_type;   /* low byte used */
  uint32_t boot_ver_major;    /* low byte used */
  uint32_t boot_ver_middle;   /* low byte used */
  uint32_t boot_ver_minor;    /* low byte used */
  uint32_t boot_ver_build;    /* low byte used */
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
  uint32_t mod_num;  /* in */
  uint32_t result;   /* out: 0 when the configuration spec exists */
  uint32_t spec_num; /* in */
  uint32_t value;    /* out */
  char desc[52];     /* out: terminated */
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
 * for ASYNC_CANCEL), word 1 the configuration value of MODULE_RECONFIG, word 2 the driver status.
 */
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
/* Returns 1 found, 0 no such configuration spec, -1 failure. */
int VtxModuleConfigSpecsGet(VtxLine* line, VtxModuleArgs* args);
int VtxCheckAddress(VtxLine* line, VtxModuleArgs* args);
int VtxCheckFacility(VtxLine* line, VtxModuleArgs* args);
int VtxModuleDeactivate(VtxModuleArgs* args);

/* ---- Line configuration ------------------------------------------------------------------ */

/* One line of the user preference file per call (`config_file_line`), then one call with a null
 * line that loads the country parameters and configures the firmware; `reset_status` out. */
int VtxLineConfig(VtxLine* line, VtxLineArgs* args);

/* ---- Packets ---------------------------------------------------------------------------- */

/* A packet is an 11-byte header followed by commands; a command is a verb with its fields
 * followed by tags. Multi-byte fixed fields are little-endian. Facility numbers and the codes of
 * each facility are in the firmware definition headers (common.h, admin.h, hostctrl.h, ...). */

#define MILL_HEADER_LEN 11
#define MILL_MAX_CMD_LEN 32767 /* bytes after a command's length field */
#define MILL_MAX_TAG_LEN 16383 /* bytes after a tag's length varint */

/* Header flags. */
#define MILL_PKT_PRIORITY 0x40u
#define MILL_PKT_SRC_FACILITY 0x20u /* the facility is byte 0 of the source address */
#define MILL_PKT_FULL_BYTE 0x04u    /* the sender wrote full-byte addresses */

/* Verbs. */
#define MILL_VERB_NOTHING 0
#define MILL_VERB_START 1
#define MILL_VERB_FINISH 2
#define MILL_VERB_DATA 3
#define MILL_VERB_SET 4
#define MILL_VERB_LET 5
#define MILL_VERB_GET 6
#define MILL_VERB_RESTORE 7
#define MILL_VERB_EVENT 8
#define MILL_VERB_INDIRECT 9
#define MILL_VERB_REQUEST 10

/* Tag type byte: base size (bits 0-1), signed, extended, unit (bits 4-6), unit unknown. */
#define MILL_TYPE_BYTE 0x00u
#define MILL_TYPE_SHORT 0x01u
#define MILL_TYPE_LONG 0x02u
#define MILL_TYPE_LIST 0x03u
#define MILL_TYPE_BASE_MASK 0x03u
#define MILL_TYPE_SIGNED 0x04u
#define MILL_TYPE_EXT 0x08u
#define MILL_TYPE_UNIT_SHIFT 4
#define MILL_TYPE_UNIT_MASK 0x70u
#define MILL_TYPE_UNIT_UNKNOWN 0x80u
#define MILL_UNIT_UNITLESS 0
#define MILL_UNIT_CHAR 1
#define MILL_UNIT_BOOLEAN 2
#define MILL_UNIT_CBELLS 3
#define MILL_UNIT_MSEC 4
#define MILL_UNIT_HZ 5
#define MILL_UNIT_BYTES 6
#define MILL_UNIT_CBM 7

/* One entry of a tag list: a list is an array of these ended by a tag id 0. With `data_len` 0
 * an integer tag carries the value itself in the `data` word (MILL_TAG_VALUE). */
typedef struct MillTagItem {
  uint32_t tag_id;
  uint32_t tag_type;
  uint32_t data_len;
  const void* data;
} MillTagItem;

/* Puts an integer value into a data pointer word (`tag_data_ptr`, MillTagItem.data). */
#define MILL_TAG_VALUE(value) ((uint8_t*)(uintptr_t)(uint32_t)(value))

/* The packet argument record. A caller clears it to zeros, then sets what the operation needs. */
typedef struct MillArgs {
  uint32_t status;             /* out: result class */
  uint32_t line_status;        /* out: result detail */
  uint32_t facility;           /* facility to send to; after parsing, the current command's */
  uint32_t verb;               /* verb of the command formed or parsed */
  uint32_t code;               /* mode, event or request; for DATA the stream number */
  int32_t prio;                /* > 0: send with the priority flag */
  int32_t incoming_flag;       /* 0 to 3: how a send treats packets waiting to be received */
  uint32_t no_hangup;          /* passed to the hangup check after processing */
  uint32_t timeout;            /* milliseconds; 0xFFFFFFFF waits for ever */
  uint8_t* cmd_buf;            /* the command being formed or parsed */
  uint32_t tag_id;             /* tag being formed or just parsed */
  uint32_t tag_type;           /* its type byte */
  uint32_t tag_len;            /* total length of the tag just formed or parsed */
  uint8_t* tag_ptr;            /* where the next tag is written; when parsing, the next to read */
  uint32_t tag_data_len;       /* data length of the tag */
  uint8_t* tag_data_ptr;       /* data of the tag; or the value itself (MILL_TAG_VALUE) */
  uint32_t tags_left;          /* bytes of tags not yet read */
  uint32_t var_value;          /* value for the value encoders; in raw data mode the stream */
  uint32_t pkt_flags;          /* header flags byte */
  uint8_t dest_addr[4];        /* destination address */
  uint8_t src_addr[4];         /* source address */
  uint32_t cmd_len;            /* length of the command at cmd_buf, its length field included */
  uint32_t pkt_len;            /* packet length (buffer size on receive) */
  uint8_t* pkt_buf;            /* packet buffer */
  uint32_t pkt_len_field;      /* header length field as read; after a send, the driver's length */
  uint32_t outgoing;           /* 1 when the packet being parsed was formed by the host */
  uint32_t no_drain;           /* no draining after a wait matched */
  uint8_t* value_ptr;          /* cursor of the value encoders and decoders */
  uint32_t value_len;          /* byte count of the value encoders and decoders */
  uint32_t data_bits;          /* bit count of a DATA command */
  uint32_t value_used;         /* bytes consumed by the last integer read */
  uint32_t ignore_data;        /* DATA commands met during processing are skipped */
  uint32_t pkt_saved;          /* forming a header: sets flag 0x20; reading: saved packet valid */
  uint8_t* saved_pkt_buf;      /* packet start kept while its commands are read */
  uint32_t saved_pkt_len;      /* its length */
  uint32_t clear_option;       /* option word of CLEAR_INPUT and CLEAR_OUTPUT */
  uint32_t cmd_parsed;         /* the verb fields of the current command are already parsed */
  uint32_t trace_rcv;          /* each processed received command is decoded into the trace */
  const MillTagItem* tag_list; /* cursor into a tag list */
  uint32_t tag_count;          /* count of tags appended to the current command */
  uint32_t use_alt_chan;       /* non-zero: byte 1 of the destination is its low byte */
  uint32_t async_lp;           /* asynchronous context (0 = synchronous) */
  uint32_t raw_data;           /* DATA payload exchanged without header */
  uint32_t send_option8;       /* passed to MSG_SEND as option bit 8 */
  uint32_t no_process;         /* command-by-command reading returns commands unprocessed */
} MillArgs;

/* Application hooks of a line, called from inside receive processing on the caller's thread.
 * The command callback sees every processed command (a copy of the record); for an alert its
 * `var_value` holds the alert value and it may cancel the alert (clear `facility`) or replace the
 * command. The page callback gets 1 for a completed page, 2 for a confirmation. A holdup callback
 * returning non-zero ends the fax session. */
typedef int (*MillCmdCallback)(VtxLine* line, MillArgs* args);
typedef void (*MillPageCallback)(VtxLine* line, int kind, void* context);
typedef int (*MillHoldupCallback)(VtxLine* line, void* context, uint32_t kind);

/* Result bits of the send operations. */
#define MILL_SEND_SENT 0x1u          /* sent */
#define MILL_SEND_FAILED 0x2u        /* failed or timed out */
#define MILL_SEND_INPUT_PENDING 0x4u /* not sent: input is waiting to be received */
#define MILL_SEND_PROCESSED 0x8u     /* input was processed while sending */

/* The largest command the send operations accept, and the line's receive buffer size. */
#define MILL_MAX_SEND_CMD 1024
#define MILL_RECEIVE_BUFFER 1100

/* Send and receive on a line. `timeout` 0xFFFFFFFF waits for ever, or up to the line's
 * `max_timeout`, whose expiry is reported as hangup 505. */
int MillSendPkt(VtxLine* line, MillArgs* args);     /* pkt_buf, pkt_len; send result bits */
int MillTransmitPkt(VtxLine* line, MillArgs* args); /* as MillSendPkt, input by incoming_flag */
int MillSendCmd(VtxLine* line, MillArgs* args);     /* the command at cmd_buf, to `facility` */
/* Forms the command (in cmd_buf, or a buffer of its own when cmd_buf is null) and sends it;
 * `tags` may be null for none. */
int MillFormSendCmd(VtxLine* line, MillArgs* args, const MillTagItem* tags);
int MillReceivePkt(VtxLine* line, MillArgs* args); /* 1 received into pkt_buf, 2 otherwise */
int MillGetNextCmd(VtxLine* line, MillArgs* args); /* 1 a command is current, 2 otherwise */
/* Reads commands until one with the `facility`, `verb` and `code` given: 1 matched, 0 timed
 * out, -1 error. */
int MillWaitCmd(VtxLine* line, MillArgs* args);
int MillProcessCmd(VtxLine* line, MillArgs* args); /* the current command: 0 go on, 1 stop */
/* Receives one packet and processes every command in it: 1, or 2 with the result words set. */
int VtxRcvProcessPkt(VtxLine* line, MillArgs* args);
/* Asynchronous operations. With `async_lp` set to the handle of a notification line (a line of
 * its own, VtxLineAsyncHandle), every operation above that can wait returns with `status` 9
 * (CV_STATUS_CONTINUING) instead of waiting whenever the driver queues its request. The driver
 * then posts a completion notice to the notification line; MillWaitNotify waits there (up to
 * `timeout` ms) and returns the line whose request completed, which is continued by calling the
 * same operation again with `async_lp` 0xFFFFFFFF. A line has one pending operation at a time. */
uint32_t VtxLineAsyncHandle(const VtxLine* line);
/* What a line reset that abandons a pending operation reports. Set on the pending operation of
 * `line` (after it returned status 9): should VtxLineReset cancel it, the reset stores the value
 * the operation's last call returned through `result`, VTX_ASYNC_CANCELLED through `cancelled`
 * (unless null), and calls `func` (unless null) with the line and the operation's own copy of
 * its argument record. Nothing is called when the operation finishes. 0, or -1 when nothing is
 * pending on the line or `result` is null. */
#define VTX_ASYNC_CANCELLED 0xFFFFFFFFu
typedef void (*VtxAsyncCompletionFunc)(VtxLine* line, void* args);
int VtxLineAsyncCompletion(VtxLine* line, VtxAsyncCompletionFunc func, int32_t* result,
                           uint32_t* cancelled);
VtxLine* MillWaitNotify(VtxLine* notify_line, MillArgs* args);
/* Posts a completion notice for `line` to the notification line named by `async_lp`, which
 * MillWaitNotify then returns like any other: send result bits. */
int MillPostNotify(VtxLine* line, MillArgs* args);
void MillClearInput(VtxLine* line, MillArgs* args);
void MillClearOutput(VtxLine* line, MillArgs* args); /* for dest_addr */
/* As MillClearOutput for the line's remote address with `facility` and `use_alt_chan`. */
void MillClearOutputFacility(VtxLine* line, MillArgs* args);

/* Forming. Each returns a length, or -1 with `status` 2 and `line_status` 5 (missing buffer or
 * pointer, bad verb) or 20 (size rules, too long). Output buffers are the caller's: a command
 * never exceeds MILL_MAX_CMD_LEN + 2 bytes, nothing is written past that. */
int MillFormTag(MillArgs* args);    /* one tag at tag_ptr; sets and returns tag_len */
int MillFormAddTag(MillArgs* args); /* appends one tag to the command at cmd_buf; cmd_len */
int MillFormCmd(MillArgs* args, const MillTagItem* tags); /* command at cmd_buf; cmd_len */
int MillFormTagList(MillArgs* args); /* appends the tags at tag_list; cmd_len */
/* As MillFormTagList with the list as arguments: (uint32_t id, uint32_t type, uint32_t data_len,
 * const void* data or MILL_TAG_VALUE(value)) repeated, ended by an id 0. */
int MillFormTagListArgs(MillArgs* args, ...);
int MillFormPktHeader(MillArgs* args); /* 11 bytes at pkt_buf for a command of cmd_len; 11 */
/* var_value at value_ptr: the cursor advances, value_len is set to the bytes written. */
int MillPutVarint(MillArgs* args);
int MillPutVarint15(MillArgs* args);
/* The low value_len (1, 2 or 4) bytes of var_value at value_ptr; the cursor advances. */
int MillPutFixed(MillArgs* args);

/* Parsing. A format error sets `status` 2, `line_status` 21 and traces "Parse error on: %s";
 * a missing buffer gives `line_status` 5. Nothing outside the bytes given is read. */
int MillGetPktHeader(MillArgs* args); /* header at pkt_buf (pkt_len bytes); 1 or -1 */
int MillGetCmd(MillArgs* args);       /* first or next command: 1, 0 at the end, -1 */
int MillParseCmd(MillArgs* args);     /* verb fields of cmd_buf; tag area; 1 or -1 */
int MillGetTag(MillArgs* args);       /* next tag at tag_ptr: 1, 0 none left, -1 */
/* Next integer element of the current tag (cursor value_ptr/value_len, set by MillGetTag);
 * sign-extended for signed Byte and Short; also left in var_value. 0 on error. */
int32_t MillGetTagInt(MillArgs* args);
/* A value at value_ptr, of at most value_len bytes (MillGetFixed: exactly value_len, 1, 2 or 4);
 * the cursor advances by value_used. 0 with `status` 2, `line_status` 21 when it runs past. */
uint32_t MillGetVarint(MillArgs* args);
uint32_t MillGetVarint15(MillArgs* args);
uint32_t MillGetFixed(MillArgs* args);

/* ---- Telephony information, call switching and network configuration ---- */

/* Port classes of the switching requests: IP sides, T.38 over UDPTL and RTP. */
#define VTX_PORT_CLASS_UDPTL 12
#define VTX_PORT_CLASS_RTP 19
#define VTX_CONN_MODE_NO_T38 0x80u /* with it, no T.38 parameters are checked or sent */
/* The connection mode that undoes a connection: the request names it as it was made (a channel
 * and its IP port's class, or both time-division sides) and the module removes that one alone;
 * one that is not there is refused with result code 10, "Slot not assigned". */
#define VTX_CONN_MODE_DISCONNECT 3u
/* The board name registry entry of the session that serves the IP_CC facility of a module's
 * channel (module and channel in hexadecimal): the driver hands it the facility's requests that
 * applications send to the channel, addressed to that session, and hands the facility's events
 * that it sends to the channel to the channel's other sessions. */
#define VTX_IP_CC_CHANNEL_NAME "IP_CC_FACILITY_CHANNEL_%x_%x"

/* Walk the module's telephony hardware list (VtxTelephGetInfo: `src_port_unit`, `port_type`)
 * or its switch resource list (VtxCallSWGetInfo), one port per call: 1 a port reported, 0 the
 * end, -1 failure. `iter_context` is null before the first call and left alone afterwards. */
int VtxTelephGetInfo(VtxLine* line, VtxTelephArgs* args);
int VtxCallSWGetInfo(VtxLine* line, VtxTelephArgs* args);
/* Connect a source to a destination time slot (VtxCallSWConnect) or a channel to an IP port
 * (VtxCallSWConnectIP, which returns the assigned addresses in the record): 0, a positive
 * firmware result code, or -1. */
int VtxCallSWConnect(VtxLine* line, VtxTelephArgs* args);
int VtxCallSWConnectIP(VtxLine* line, VtxTelephArgs* args);
int VtxCallSWClearConns(VtxLine* line, VtxTelephArgs* args);
/* The module's connections one per call: 1 reported, 0 the end, -1 failure. `iter_context`
 * holds the number of the connection last reported (0 before the first call). */
int VtxCallSWGetConns(VtxLine* line, VtxTelephArgs* args);

/* The module's telephony as a whole, synchronous only. VtxTelephReset frees the board's telephony
 * critical section, so that the telephony can be configured again; VtxTelephSave makes the module
 * keep its telephony control parameters in its non-volatile memory: 0, a positive firmware result
 * code, or -1. */
void VtxTelephReset(VtxLine* line, VtxTelephArgs* args);
int VtxTelephSave(VtxLine* line, VtxTelephArgs* args);

/* A socket address as the network configuration carries it. */
typedef struct VtxNetAddr {
  uint16_t sin_fam; /* 2 */
  uint16_t sin_port;
  uint8_t sin_addr[4];
  uint8_t sin_zero[8];
} VtxNetAddr;

/* Argument of VtxNetworkConfigSet, VtxNetworkConfigGet and VtxNetworkConfigSave. */
typedef struct VtxNetworkArgs {
  uint32_t status, line_status; /* out */
  uint32_t unit;                /* in: interface number from 1 (counted down by the call) */
  uint32_t ARPflush;
  uint32_t set_localAddr;
  VtxNetAddr localAddr;
  uint32_t set_localNetmask;
  VtxNetAddr localNetmask;
  uint32_t set_gateway1;
  VtxNetAddr gateway1;
  uint32_t set_speed, speed;             /* 0, 1 or 2 */
  uint32_t set_duplex, duplex;           /* 1 or 2 */
  uint32_t set_flowControl, flowControl; /* 0 to 3 */
  uint32_t set_ARPTimeout, ARPTimeout;   /* milliseconds */
  uint8_t MAC[6];                        /* out: VtxNetworkConfigGet */
} VtxNetworkArgs;

/* Set: 0, a positive result code, -1. Get: 1 a setting reported, 0 none, -1. Save: as Set. */
int VtxNetworkConfigSet(VtxLine* line, VtxNetworkArgs* args);
int VtxNetworkConfigGet(VtxLine* line, VtxNetworkArgs* args);
int VtxNetworkConfigSave(VtxLine* line, VtxNetworkArgs* args);

/* ---- End of telephony information, call switching and network configuration ---- */

/* ---- Line reset and feature information ---- */

/* A firmware version report, kept per line for the boot ROM, the control processor and each DSP. */
#pragma pack(push, 1)
typedef struct FirmwareVersion {
  uint8_t major, middle, minor, build;
  uint16_t auto_num;
  char date[20];
  char comment[50];
} FirmwareVersion;
#pragma pack(pop)

#define VTX_MAX_DSPS 40

/* Resets the firmware channel of the line, reads its version reports and configures the line
 * from `config_file_name`; `reset_status` out. Returns 0, or -1 with the result words set. */
int VtxLineReset(VtxLine* line, VtxLineArgs* args);

/* Feature value types: the type character of the firmware's feature text. */
#define VTX_FEATURE_BOOLEAN 35 /* '#' */
#define VTX_FEATURE_TEXT 36    /* '$' */
#define VTX_FEATURE_INTEGER 61 /* '=' */

#pragma pack(push, 1)
/* Argument of VtxFeatureSetQuery. */
typedef struct VtxFeatureArgs {
  uint32_t status, line_status;  /* out */
  uint8_t reserved[12];          /* neither read nor written */
  char key[9];                   /* out: at most 8 characters; empty at the end of the list */
  int32_t type;                  /* out: VTX_FEATURE_ */
  int32_t value_int;             /* out: boolean (0 or 1) or integer value */
  char output_value_string[128]; /* out: text value */
  uint32_t async_lp;             /* in: must be 0 */
} VtxFeatureArgs;
#pragma pack(pop)

/* One feature of the line's module per call, starting over once the empty key was returned. */
void VtxFeatureSetQuery(VtxLine* line, VtxFeatureArgs* args);

/* ---- End of line reset and feature information ---- */
/* ---- Variables ---- */

/* Firmware variables are tags of a facility, written with SET and read with GET. Both SETs
 * return the send result bits (no answer is awaited); `cmd_buf` null forms in a buffer of the
 * call's own. VtxSetSingleVar: `facility`, `tag_id`, `tag_type`, `tag_data_len` (0: `var_value`
 * as an integer of the type's base size) and `tag_data_ptr`, sent with `prio`,
 * `incoming_flag`, `timeout`, `no_hangup`, `use_alt_chan`. VtxSetVars: the tags of `tags`
 * (ended by an id 0, at least one) in one SET. VtxGetVar: `facility`, `tag_id`, `no_hangup`,
 * `use_alt_chan` in; the answer is received into `pkt_buf` (null: the line's buffer) and
 * `tag_len`, `tag_type`, `tag_data_len`, `tag_data_ptr` (into that buffer) and, for an integer
 * type, `var_value` come out; no answer within 1000 ms gives `status` 6. */
int VtxSetSingleVar(VtxLine* line, MillArgs* args);
int VtxSetVars(VtxLine* line, MillArgs* args, const MillTagItem* tags);
void VtxGetVar(VtxLine* line, MillArgs* args);

/* ---- End of variables ---- */

/* ---- Fax local identifier, abort and fonts ---- */

/* Argument of VtxFaxSetLocalId: the identifier (at most its last 20 characters are used). */
typedef struct VtxFaxLocalIdArgs {
  uint32_t status, line_status; /* out */
  const char* local_id;         /* in: text, or null for none */
  uint32_t async_lp;            /* in: must be 0 */
} VtxFaxLocalIdArgs;

/* Argument of VtxFaxAbort: only the result words and the asynchronous context. */
typedef struct VtxFaxArgs {
  uint32_t status, line_status; /* out */
  uint32_t async_lp;            /* in */
} VtxFaxArgs;

/* Argument of VtxFaxDownloadFont (`fname`) and VtxFaxDownloadFontData (`buf`, `size`). */
typedef struct VtxFontArgs {
  uint32_t status, line_status; /* out */
  const char* fname;            /* in: the font file */
  const uint8_t* buf;           /* in: one piece of the font; null ends the download */
  uint32_t size;                /* in: bytes at buf */
  int32_t font_no;              /* in: 0 to 30, or 255 for the default font */
  uint32_t async_lp;            /* in: must be 0 */
} VtxFontArgs;

/* Sends the channel's local identifier: 0, or -1. */
int VtxFaxSetLocalId(VtxLine* line, VtxFaxLocalIdArgs* args);
/* Stops the channel's fax transmission or reception; returns once the request is sent. */
void VtxFaxAbort(VtxLine* line, VtxFaxArgs* args);
/* On a line attached to the module itself: the whole font file, or one piece of it (the first
 * piece starts the download, a null `buf` ends it). 0, or -1 with the result words set. */
int VtxFaxDownloadFont(VtxLine* line, VtxFontArgs* args);
int VtxFaxDownloadFontData(VtxLine* line, VtxFontArgs* args);

/* ---- End of fax local identifier, abort and fonts ---- */

/* ---- Board maintenance: firmware download, board state, signalling state, board test ---- */

/* Argument of VtxFirmwareDownload (`fname`) and VtxFirmwareDownloadData (`buf`, `size`). */
typedef struct VtxFirmwareArgs {
  uint32_t status, line_status; /* out */
  const uint8_t* buf;           /* in: one piece of the image; null ends the download */
  uint32_t size;                /* in: bytes at buf */
  const char* fname;            /* in: the image file */
  int32_t specify_type;         /* in: non-zero: the start names the type and destination */
  uint32_t dl_type;             /* in: 0 to 3; 2 is control-processor firmware */
  uint32_t dl_dest;             /* in: destination word, passed to the module unchanged */
  uint32_t config_spec_value;   /* in: configuration used to reconfigure the module */
  uint32_t async_lp;            /* in: must be 0 */
} VtxFirmwareArgs;

/* Firmware download result codes (the module's DOWNLOAD_RESULT). */
#define VTX_FW_RESULT_CRC_ERROR 5
#define VTX_FW_RESULT_RESET_NEEDED 11 /* a control-processor image flashed; reset to run it */

/* On a line attached to the module itself: the whole image file, or one piece of it (the first
 * piece starts the download, a null `buf` ends it). 0, the module's positive result code, or
 * -1 with the result words set. */
int VtxFirmwareDownload(VtxLine* line, VtxFirmwareArgs* args);
int VtxFirmwareDownloadData(VtxLine* line, VtxFirmwareArgs* args);

/* Argument of VtxBoardStateGet and VtxBoardStateSet. */
typedef struct VtxBoardStateArgs {
  uint32_t status, line_status; /* out */
  uint32_t state;               /* out for the get, in for the set */
  uint32_t async_lp;            /* in: must be 0 */
} VtxBoardStateArgs;

/* Argument of VtxBoardTemperatureGet and VtxBoardTemperatureThreshSet, in degrees Celsius. */
typedef struct VtxTemperatureArgs {
  uint32_t status, line_status; /* out */
  int32_t current_temp;         /* out: 1000 when the board cannot tell */
  int32_t temp_thresh;          /* in: the alarm threshold (its low 16 bits are sent) */
  uint32_t async_lp;            /* in: must be 0 */
} VtxTemperatureArgs;

struct VtxBoardNotifyArgs;
/* Receives a board notification: `notify_type` names it. */
typedef void (*VtxBoardNotifyFunc)(VtxLine* line, struct VtxBoardNotifyArgs* args);

/* Argument of VtxBoardNotify. */
typedef struct VtxBoardNotifyArgs {
  uint32_t status, line_status; /* out */
  int32_t enable;               /* in: above 0 turns the type on, else off */
  uint32_t notify_type;         /* in: 1 to 32; 0 only registers `func` */
  VtxBoardNotifyFunc func;      /* in: receives the notifications of the line */
  uint32_t async_lp;            /* in: must be 0 */
} VtxBoardNotifyArgs;

void VtxBoardStateGet(VtxLine* line, VtxBoardStateArgs* args);
void VtxBoardStateSet(VtxLine* line, VtxBoardStateArgs* args);
void VtxBoardTemperatureGet(VtxLine* line, VtxTemperatureArgs* args);
void VtxBoardTemperatureThreshSet(VtxLine* line, VtxTemperatureArgs* args);
void VtxBoardNotify(VtxLine* line, VtxBoardNotifyArgs* args);

struct VtxSignalingArgs;
/* Receives a time slot's incoming signalling state: `unit`, `stream` and `time_slot` name the
 * slot, `stateOut_0` holds the state reported. */
typedef void (*VtxSignalingFunc)(VtxLine* line, struct VtxSignalingArgs* args);

/* Monitoring modes of VtxCallSignalingStateMonitor. */
#define VTX_SIG_MON_START 1
#define VTX_SIG_MON_STOP 2
#define VTX_SIG_MON_ONCE 3 /* start, wait up to a second for the first report, stop */

/* Argument of VtxCallSignalingStateMonitor and VtxCallSignalingStateSet. */
typedef struct VtxSignalingArgs {
  uint32_t status, line_status; /* out */
  int32_t unit;                 /* in: trunk unit */
  uint32_t stream;              /* in */
  uint32_t time_slot;           /* in */
  uint32_t stateOut_0;          /* in: first outgoing state */
  uint32_t durationOut_0;       /* in: how long it holds, ms */
  uint32_t stateOut_1;          /* in: the state after the duration */
  VtxSignalingFunc func;        /* in: receives the state reports of the line */
  uint32_t mon_mode;            /* in: VTX_SIG_MON_ */
  uint32_t async_lp;            /* in: must be 0 */
} VtxSignalingArgs;

/* 0, or -1 with the result words set. */
int VtxCallSignalingStateMonitor(VtxLine* line, VtxSignalingArgs* args);
/* 0, the module's positive result code, or -1 with the result words set. */
int VtxCallSignalingStateSet(VtxLine* line, VtxSignalingArgs* args);

/* What a board test function hears: words[3] the test mask, words[5] the status type and
 * words[6] the error information of a status event; for the series itself words[3] is
 * 0xFFFFFFFF and words[5] is 0 (started) or 1 (ended). */
typedef struct VtxTestStatus {
  uint32_t words[8];
} VtxTestStatus;

#define VTX_TEST_SERIES 0xFFFFFFFFu
#define VTX_TEST_SERIES_STARTED 0
#define VTX_TEST_SERIES_ENDED 1

typedef void (*VtxBoardTestFunc)(VtxLine* line, VtxTestStatus* status);

/* Argument of VtxBoardTest. */
typedef struct VtxBoardTestArgs {
  uint32_t status, line_status; /* out */
  uint32_t iterations;          /* in: test runs; 0 runs nothing */
  uint32_t test_mask;           /* in: the tests to run, passed to the module unchanged */
  VtxBoardTestFunc func;        /* in: hears of the series and of every status; may be null */
  uint32_t async_lp;            /* in: must be 0 */
} VtxBoardTestArgs;

void VtxBoardTest(VtxLine* line, VtxBoardTestArgs* args);

/* ---- End of board maintenance ---- */

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
#define VTX_DEBUG_DISTRIBUTE 0x1u    /* send the record to other trace users instead */
#define VTX_DEBUG_SET_MODE 0x2u      /* exchange the level mask with `debug_mode` */
#define VTX_DEBUG_SET_FUNCTION 0x4u  /* install `trace_func` (null: standard output) */
#define VTX_DEBUG_SET_FUNC_OPTS 0x8u /* function-debug options from `debug_func_dbg_opts` */
#define VTX_DEBUG_CC_API 0x10u       /* call-control trace kinds 0 to 5 get */
#define VTX_DEBUG_CC_L3L4 0x20u      /*   the level `debug_cc_trace_level` */
#define VTX_DEBUG_CC_L4L3 0x40u
#define VTX_DEBUG_CC_INTERNAL 0x80u
#define VTX_DEBUG_CC_HOST_MODULE 0x100u
#define VTX_DEBUG_CC_IP_STACK 0x200u
#define VTX_DEBUG_CC_FILE 0x400u   /* call-control trace file from `debug_cc_trace_file` */
#define VTX_DEBUG_SET_FILES 0x800u /* trace files from the two names and the limit */

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

/* Replaces the packet decoder's names with those of the header files ("*.h") of `directory`,
   added to the headers of earlier calls. Returns the number of headers that defined a facility,
   or -1 when the directory cannot be read. */
int VtxTraceNamesLoad(const char* directory);

/* ---- End of trace control ---- */

/* ---- Dialling database ---- */

/* One record of the dialling database file, stored back to back in host byte order. */
#define VTX_DIALDB_RECORD_SIZE 96
#define VTX_DIALDB_KEY_SIZE 80
#define VTX_DIALDB_BARRED 0xFFFFFFFFu /* next_time: refused until the record is cleared */

#pragma pack(push, 1)
typedef struct VtxDialDBRecord {
  char key[VTX_DIALDB_KEY_SIZE]; /* cleaned number, or "x<ordinal>" for a channel; "" free */
  uint32_t next_time;            /* seconds since the epoch before which dialling is refused */
  uint32_t window_start;         /* time of the first counted attempt of the window */
  uint16_t count_a;              /* failures of kind 2 */
  uint16_t count_b;              /* failures of kind 1 (busy, reorder, dial tones, no answer) */
  uint16_t total;                /* attempts counted */
  uint16_t flags;                /* VTX_DIALDB_ bits below */
} VtxDialDBRecord;
#pragma pack(pop)

#define VTX_DIALDB_LAST_A 0x01u         /* the last failure was of kind 2 */
#define VTX_DIALDB_LAST_B 0x02u         /* the last failure was of kind 1 */
#define VTX_DIALDB_NO_RESULT 0x04u      /* barred by an attempt reported without its result */
#define VTX_DIALDB_LIMIT_A 0x08u        /* barred by limit A */
#define VTX_DIALDB_LIMIT_B 0x10u        /* barred by limit B */
#define VTX_DIALDB_LIMIT_TOTAL 0x20u    /* barred by the total or the combined limit */
#define VTX_DIALDB_EXISTED 0x40u        /* the record was in the file before the update */
#define VTX_DIALDB_WAIT_A 0x80u         /* waiting for the window after limit A */
#define VTX_DIALDB_WAIT_B 0x100u        /* waiting for the window after limit B */
#define VTX_DIALDB_WAIT_COMBINED 0x200u /* waiting for the window after the combined limit */

/* Reports a call's outcome (`db_res`, null for a call without result) for `raw_number`. */
int VtxDialDBUpdate(VtxLine* line, VtxDialArgs* args);
/* Whether `raw_number` may be dialled now: `wait_time` seconds to wait (-1 refused, 0 free) and
 * `reason`. 0, or -1 with the result words set. */
int VtxDialDBCheck(VtxLine* line, VtxDialArgs* args);
/* Calls `db_func` for every record of `db_file` in file order until it returns non-zero: 0 when
 * the walk ended, 1 when it could not start, 2 on a read error or a damaged end of the file. */
int VtxDialDBList(VtxDialArgs* args);

/* ---- End of dialling database ---- */

/* ---- Tones ---- */

/* Plays one tone or DTMF digit on the channel, then a silence, and returns when the board says
 * the tone finished. Synchronous only. */
typedef struct VtxTonePlayArgs {
  uint32_t status, line_status; /* out */
  int32_t digit;                /* in: the digit or tone character to play */
  uint32_t millisecs;           /* in: tone length in ms */
  int32_t tone_type;            /* in: 12 or 16 (90 plays as 16), or 17 to 19 */
  uint32_t interdigit_time;     /* in: silence after the tone in ms; 0 the country's default */
  uint32_t async_lp;            /* in: must be 0 */
} VtxTonePlayArgs;
void VtxTonePlay(VtxLine* line, VtxTonePlayArgs* args);

/* Tone detection: while it runs, the characters the channel hears collect in the line's tone
 * buffer (49 at most; more are dropped), a tone end as 0 when `decode_flag` has 0x80. Every
 * operation but VtxIntToneUnget also runs asynchronously (`async_lp`, see MillWaitNotify);
 * VtxToneGet then returns 2 when the call must be continued. */
typedef struct VtxToneArgs {
  uint32_t status, line_status; /* out */
  int32_t digit;                /* VtxIntToneUnget: the character to push back; VtxTonePeek: out */
  uint32_t millisecs;           /* VtxToneGet: time limit in ms; below 1 as a signed value, none */
  uint32_t decode_flag; /* VtxToneDetectEnable: detection type (bits 0-4), 0x80 tone ends too */
  int32_t tone_cp;      /* non-zero: VtxToneGet and VtxTonePeek return 1 for a call-progress
                           result that is waiting */
  uint32_t async_lp;    /* asynchronous context */
} VtxToneArgs;
#define VTX_TONE_REPORT_ENDS 0x80u

void VtxToneDetectEnable(VtxLine* line, VtxToneArgs* args);
void VtxToneDetectDisable(VtxLine* line, VtxToneArgs* args);
/* The next character (0 a tone end), 1 for a waiting call-progress result, 2 to be continued,
 * -1 on failure or when `millisecs` passed (`status` 6). */
int VtxToneGet(VtxLine* line, VtxToneArgs* args);
/* As VtxToneGet without waiting: the character stays (also in `digit`); -1 when none. */
int VtxTonePeek(VtxLine* line, VtxToneArgs* args);
/* Pushes `digit` back for the next VtxToneGet (0 clears it; 1 is ignored). */
void VtxIntToneUnget(VtxLine* line, VtxToneArgs* args);
/* Processes what has arrived, then empties the tone buffer. */
void VtxToneFlush(VtxLine* line, VtxToneArgs* args);

/* ---- End of tones ---- */

#ifdef __cplusplus
}
#endif

#endif /* VTX_H */
