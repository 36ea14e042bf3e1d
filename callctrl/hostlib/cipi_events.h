/* The events a host module library reports through CIPI_GetEvent and the commands the framework
   sends it through CIPI_SendCommand. Each event fills the start of the framework's 24452-byte
   event buffer (cleared before each call): a header naming the event and the call it belongs to,
   then `length` bytes of data laid out as the event says. A command is a header and its data in
   the same way. Plain C, beside the entry points of cipi.h. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Events. The numbers of the two media events are fixed by the framework's T.38 processing. */
#define Event_CIPI_CallOffered 1   /* a call came in; data: CIPI_CallParties */
#define Event_CIPI_CallConnected 2 /* the far end answered; no data */
#define Event_CIPI_CallReleased 3  /* the call ended; data: uint32_t cause */
#define Event_CIPI_CommandDone 4   /* a command was carried out; data: CIPI_CommandResult */
#define Event_CIPI_MediaSelected 8 /* the far end chose media; data: CIPI_MediaDescription */
#define Event_CIPI_MediaOffer 9    /* the far end offers media; data: CIPI_MediaDescription */

/* Commands. */
#define Command_CIPI_Answer 1      /* answer an offered call; no data */
#define Command_CIPI_Release 2     /* release a call; data: uint32_t cause */
#define Command_CIPI_MediaAnswer 3 /* our media for the call; data: CIPI_MediaDescription */
#define Command_CIPI_MakeCall 4    /* place a call; data: CIPI_CallRequest */

/* The calls the host places are named by the host, in the header of Command_CIPI_MakeCall: their
   identifiers have this bit set, which the identifiers of a library's inbound calls never have. */
#define CIPI_OUTBOUND_CALL 0x80000000u

#define CIPI_TEXT_SIZE 64 /* a party's number or name, NUL-terminated */
#define CIPI_DESTINATION_SIZE 256

/* Media descriptions: texts of at most 50 characters (NUL-terminated when shorter). */
#define CIPI_MEDIA_TEXT_SIZE 51
#define CIPI_MAX_MEDIA_FORMATS 10
#define CIPI_MAX_MEDIA_ATTRIBUTES 15
#define CIPI_TRANSPORT_UDPTL 2 /* the transport of T.38 media */

typedef struct CIPI_EventHeader {
  uint32_t event;  /* Event_CIPI_... */
  uint32_t call;   /* the library's identifier of the call, never 0 for a call's event */
  uint32_t length; /* bytes of data after the header */
} CIPI_EventHeader;

typedef struct CIPI_CommandHeader {
  uint32_t command; /* Command_CIPI_... */
  uint32_t call;    /* the call, as its events name it */
  uint32_t length;  /* bytes of data after the header */
} CIPI_CommandHeader;

typedef struct CIPI_CallParties {
  char calling[CIPI_TEXT_SIZE];
  char called[CIPI_TEXT_SIZE];
} CIPI_CallParties;

typedef struct CIPI_MediaAttribute {
  char name[CIPI_MEDIA_TEXT_SIZE];  /* e.g. "T38MaxBitRate" */
  char value[CIPI_MEDIA_TEXT_SIZE]; /* e.g. "14400" */
} CIPI_MediaAttribute;

/* One medium of an offer or a selection. T.38 media have the class "image", the transport
   CIPI_TRANSPORT_UDPTL and the format "t38"; their parameters are attributes named
   "T38FaxVersion", "T38MaxBitRate", "T38FaxFillBitRemoval", "T38FaxTranscodingMMR",
   "T38FaxTranscodingJBIG", "T38FaxRateManagement", "T38FaxMaxBuffer", "T38FaxMaxDatagram" and
   "T38FaxUdpEC". The address is where the writer receives the medium: the far end's in its
   offers and selections, the board's UDPTL port in the framework's media answer. */
typedef struct CIPI_MediaDescription {
  char media_class[CIPI_MEDIA_TEXT_SIZE];
  uint32_t transport;
  uint32_t format_count; /* at most CIPI_MAX_MEDIA_FORMATS */
  char formats[CIPI_MAX_MEDIA_FORMATS][CIPI_MEDIA_TEXT_SIZE];
  uint32_t attribute_count; /* at most CIPI_MAX_MEDIA_ATTRIBUTES */
  CIPI_MediaAttribute attributes[CIPI_MAX_MEDIA_ATTRIBUTES];
  uint8_t address[4]; /* IPv4, most significant byte first */
  uint16_t port;
} CIPI_MediaDescription;

/* A call to place: the far end as the library addresses it (for SIP a URI such as
   "sip:fax@192.0.2.1:5060"), who calls, and our media offer. An offer whose address is 0.0.0.0
   or whose port is 0 gets the library's own. */
typedef struct CIPI_CallRequest {
  char destination[CIPI_DESTINATION_SIZE];
  char calling[CIPI_TEXT_SIZE];
  CIPI_MediaDescription offer;
} CIPI_CallRequest;

typedef struct CIPI_CommandResult {
  uint32_t command; /* the command carried out */
  int32_t result;   /* 0 success, else the library's error code */
} CIPI_CommandResult;

/* The name of an event, for traces; "Unknown" outside the list. */
static inline const char* CIPI_EventName(uint32_t event) {
  switch (event) {
    case Event_CIPI_CallOffered:
      return "Event_CIPI_CallOffered";
    case Event_CIPI_CallConnected:
      return "Event_CIPI_CallConnected";
    case Event_CIPI_CallReleased:
      return "Event_CIPI_CallReleased";
    case Event_CIPI_CommandDone:
      return "Event_CIPI_CommandDone";
    case Event_CIPI_MediaSelected:
      return "Event_CIPI_MediaSelected";
    case Event_CIPI_MediaOffer:
      return "Event_CIPI_MediaOffer";
    default:
      return "Unknown";
  }
}

#ifdef __cplusplus
}
#endif
