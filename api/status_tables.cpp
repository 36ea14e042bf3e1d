#include "api/status_tables.h"

namespace vtx::api {
namespace {

constexpr CodeText kApiErrors[] = {
    {0, "APIERR_UNCLASSIFIED", "Unclassified error"},
    {1, "APIERR_FILEIO", "File open/read/write error"},
    {2, "APIERR_FILEFORMAT", "Incorrect file format"},
    {3, "APIERR_BOARDCAPABILITY", "Hardware or firmware does not have a required capability"},
    {4, "APIERR_NOTCONNECTED", "Channel not in a connected state"},
    {5, "APIERR_BADPARAMETER", "Invalid parameter given"},
    {6, "APIERR_MEMORY", "Memory allocation error"},
    {7, "APIERR_BADSTATE", "Channel not in a required state"},
    {8, "APIERR_TOOSOON", "Dialing attempted too soon"},
    {9, "APIERR_BUSY", "Resource busy"},
    {10, "APIERR_DRV_OPEN_ERR",
     "Driver open failed - invalid channel/driver incorrectly installed"},
    {11, "APIERR_DRV_IOCTL_ERR", "Driver ioctl call failed"},
    {12, "APIERR_VERSION", "Incompatible driver or library version"},
    {13, "APIERR_INVALID_PORT", "Invalid port; lineprep probably not run correctly"},
    {14, "APIERR_RINGING", "Ringing during dialing attempt"},
    {15, "APIERR_INFOPKT_NESTING", "Indir infopkt nesting level too deep"},
    {16, "APIERR_MAX_TAGS", "Maximum number of TIFF tags exceeded"},
    {17, "APIERR_LOCK_FAILED", "An attempt to gain a lock failed"},
    {18, "APIERR_INSUFF_BUFFER", "Buffer size too small to receive data"},
    {19, "APIERR_INVALID_DEST_ADDR", "Destination address not found or invalid"},
    {20, "APIERR_PACKET_CREATION", "Packet/command creation error"},
    {21, "APIERR_PACKET_PARSE", "Packet/command parse error"},
    {22, "APIERR_PACKET_SEND", "Packet send error"},
    {23, "APIERR_PACKET_RECEIVE", "Packet receive error"},
    {24, "APIERR_DATA", "DATA encountered during command processing"},
    {25, "APIERR_INVALID_BOARD_PARAM", "Invalid parameter values received from firmware"},
    {26, "APIERR_FIRMWARE_ERR_DETECTED", "Firmware detected an error"},
    {27, "APIERR_MODULE_REMOVED", "Module was removed"},
    {28, "APIERR_BOARD_NO_RESPONSE", "Board not responding"},
    {29, "APIERR_ASYNC_LP_ERR", "Async_lp value error"},
    {30, "APIERR_ASYNC_CONTEXT_ERR", "Async context error"},
    {31, "APIERR_DRV_RESOURCES", "Driver out of resources"},
    {32, "APIERR_MODULE_RESET_FAILURE", "Module reset failure"},
    {33, "APIERR_MODULE_I2O_FAILURE", "Module I2O enable failure"},
    {34, "APIERR_MODULE_CONFIG_TIMEOUT", "No valid response for module configuration"},
    {35, "APIERR_NO_TRANSPORT", "No transport layer"},
};

constexpr CodeText kDial[] = {
    {257, "DIAL_OK", "Dialing completed normally"},
    {258, "DIAL_NO_DIAL_TONE", "No dialtone detected"},
    {259, "DIAL_NO_LOOP_CUR", "No loop current detected"},
    {260, "DIAL_LOCAL_IN_USE", "Local line in use"},
    {261, "DIAL_TRUNK_BUSY", "Trunk busy signal detected"},
    {265, "DIAL_SLOT_BUSY", "Digital timeslot busy"},
    {266, "DIAL_CALL_COLLISION", "Call collision detected"},
    {267, "DIAL_NO_WINK", "No wink signal on (non-first) 'w'"},
    {268, "DIAL_ISDN_INVAL", "Invalid ISDN dial string"},
    {269, "DIAL_JP_REDIAL_FAIL", "Japanese redial attempted too soon"},
};

constexpr CodeText kCallProgress[] = {
    {301, "FCP_BUSY1", "Normal busy"},
    {302, "FCP_BUSY2", "Distinctive or fast busy"},
    {303, "FCP_ROBUSY", "Reorder busy"},
    {304, "FCP_RECALL", "Recall dial tone"},
    {305, "FCP_CONFIRM", "Confirmation dial tone"},
    {306, "FCP_PULSE", "Specified pulse dial tone"},
    {308, "FCP_RING1", "On-off ringback"},
    {309, "FCP_RING2", "Short on-short off, short on-long off ringback"},
    {316, "FCP_HUMAN", "Probable human detected"},
    {317, "FCP_ANSWER", "Answer (silence)"},
    {318, "FCP_DIALTON", "Dial tone"},
    {324, "FCP_SILENCE", "Silence, no signal detected for timeout period"},
    {325, "FCP_RNGNOANS", "Ringing, but no answer (T.30 timeout)"},
    {326, "FCP_G2DETCT", "Group 2 tones"},
    {327, "FCP_SITINTC", "Special Information Intercept tone"},
    {328, "FCP_QUIET", "Quiet (T.30 timeout)"},
    {329, "FCP_SITVACODE", "Special Information Vacant Code tone"},
    {330, "FCP_SITREORD", "Special Information Reorder tone"},
    {331, "FCP_SITNOCIR", "Special Information No Circuit Detected tone"},
    {332, "FCP_CNGDETCT", "CNG Tone"},
    {333, "FCP_RMTOFFHK", "Remote off hook detected"},
    {334, "FCP_SPECIALCP", "Special CP tone detected"},
    {339, "FCP_ANSWER_TONE_DETECT", "Fax answer tone detected"},
    {340, "FCP_UNKNOWN", "Unknown CP result"},
    {349, "FCP_ISDN_CALL_COLLISION", "ISDN Call collision occurred"},
};

constexpr CodeText kWaitForCall[] = {
    {352, "WAIT_FOR_CALL_OK", "Ring detected"},
    {353, "WAIT_FOR_CALL_TIMEOUT", "Timeout, no ring detected"},
};

// The fax hangup codes: phase B is negotiation, C the page data, D the post-page exchange;
// XMIT and RCV name the sending and the receiving side.
constexpr CodeText kHangup[] = {
    {0, "HNG_NORMAL_XMIT", "Normal end of connection"},
    {1, "HNG_RNG_DET", "Ring detect without a successful handshake"},
    {2, "HNG_ABORT", "Call aborted"},
    {3, "HNG_NO_LOOP_CURRENT", "No loop current"},
    {4, "HNG_ISDN_DISCONNECT", "ISDN disconnect"},
    {11, "HNG_T1_TIMEOUT", "No answer, T.30 T1 timeout"},
    {20, "HNG_XMITB_TIMEOUT", "Timeout in transmit phase B"},
    {21, "HNG_XMITB_NORM", "Remote cannot receive or send in transmit phase B"},
    {22, "HNG_XMITB_MISC", "Unspecified error in transmit phase B"},
    {23, "HNG_XMITB_COMREC_VCNR", "Invalid command received in transmit phase B"},
    {24, "HNG_XMITB_SE", "Signal error in transmit phase B"},
    {25, "HNG_XMITB_DCS_FTC", "DCS sent 3 times without response"},
    {26, "HNG_XMITB_DIS_FTC", "DIS received 3 times; DCS not recognized"},
    {27, "HNG_XMITB_TRAINFAIL", "Failure to train"},
    {28, "HNG_XMITB_RSPREC_VCNR", "Invalid response received in transmit phase B"},
    {29, "HNG_XMITB_COMREC_DCN", "DCN received in transmit phase B command receive"},
    {30, "HNG_XMITB_RSPREC_DCN", "DCN received in transmit phase B response receive"},
    {33, "HNG_PHASEB_INCOMPAT_FMT", "Incompatible fax formats in phase B"},
    {34, "HNG_XMITB_INVAL_DMACNT", "Invalid DMA count in transmit phase B"},
    {35, "HNG_XMITB_FTM_NOECM", "File transfer mode without ECM in transmit phase B"},
    {36, "HNG_XMITB_INCMP_FTM", "Incompatible file transfer mode in transmit phase B"},
    {37, "HNG_XMITB_INCMP_EFF", "Incompatible extended fax features in transmit phase B"},
    {38, "HNG_XMITB_NOEFF", "Remote lacks the extended fax features in transmit phase B"},
    {40, "HNG_XMITD_RR_NORES", "No response to RR after 3 tries"},
    {41, "HNG_XMITD_CTC_NORES", "No response to CTC after 3 tries"},
    {42, "HNG_XMITD_T5TO_RR", "T.30 T5 timeout while sending RR"},
    {43, "HNG_XMITD_NOCONT_NSTMSG", "No continuation after a non-standard message in phase D"},
    {44, "HNG_XMITD_ERRRES_EOREOP", "Error response to EOR-EOP"},
    {45, "HNG_XMITD_RTN_DCN", "RTN received, call disconnected"},
    {46, "HNG_XMITD_PPR_EOR", "PPR received, EOR sent"},
    {51, "HNG_XMITD_SE", "Signal error in transmit phase D"},
    {52, "HNG_XMITD_MPS_FTC", "No response to MPS after 3 tries"},
    {53, "HNG_XMITD_MPS_VCNR", "Invalid response to MPS"},
    {54, "HNG_XMITD_EOP_FTC", "No response to EOP after 3 tries"},
    {55, "HNG_XMITD_EOP_VCNR", "Invalid response to EOP"},
    {56, "HNG_XMITD_EOM_FTC", "No response to EOM after 3 tries"},
    {57, "HNG_XMITD_EOM_VCNR", "Invalid response to EOM"},
    {60, "HNG_XMITD_RSPREC_DCN", "DCN received in transmit phase D response receive"},
    {61, "HNG_XMITD_PPSNULL_NORES", "No response to PPS-NULL after 3 tries"},
    {62, "HNG_XMITD_PPSMPS_NORES", "No response to PPS-MPS after 3 tries"},
    {63, "HNG_XMITD_PPSEOP_NORES", "No response to PPS-EOP after 3 tries"},
    {64, "HNG_XMITD_PPSEOM_NORES", "No response to PPS-EOM after 3 tries"},
    {65, "HNG_XMITD_EORNULL_NORES", "No response to EOR-NULL after 3 tries"},
    {66, "HNG_XMITD_EORMPS_NORES", "No response to EOR-MPS after 3 tries"},
    {67, "HNG_XMITD_EOREOP_NORES", "No response to EOR-EOP after 3 tries"},
    {68, "HNG_XMITD_EOREOM_NORES", "No response to EOR-EOM after 3 tries"},
    {70, "HNG_RCVB_TIMEOUT", "Timeout in receive phase B"},
    {71, "HNG_RCVB_SE", "Signal error in receive phase B"},
    {72, "HNG_RCVB_MISC", "Unspecified error in receive phase B"},
    {73, "HNG_T2_PNOTREC", "T.30 T2 timeout, expected page not received"},
    {74, "HNG_RCVB_T1_TIMEOUT", "T.30 T1 timeout in receive phase B"},
    {75, "HNG_NORMAL_RCV", "DCN received in Command-Receive"},
    {76, "HNG_RCVB_RSPREC_DCN", "DCN received in receive phase B response receive"},
    {77, "HNG_T2_TIMEOUT", "T.30 T2 timeout, no command received"},
    {78, "HNG_RCVB_INVAL_DMACNT", "Invalid DMA count in receive phase B"},
    {79, "HNG_RCVB_FTM_NOECM", "File transfer mode without ECM in receive phase B"},
    {101, "HNG_RCVD_SE_VCNR", "Invalid command after signal error in receive phase D"},
    {102, "HNG_RCVD_COMREC_VCNR", "Invalid command received in receive phase D"},
    {103, "HNG_RCVD_T3TO_NORESP", "T.30 T3 timeout, no response to procedure interrupt"},
    {104, "HNG_RCVD_T2TO", "T.30 T2 timeout in receive phase D"},
    {105, "HNG_RCVD_DCN_COMREC", "DCN received in receive phase D command receive"},
    {106, "HNG_RCVD_COMREC_ERR", "Command receive error in receive phase D"},
    {107, "HNG_RCVD_BLKCT_ERR", "Block count error in receive phase D"},
    {108, "HNG_RCVD_PGCT_ERR", "Page count error in receive phase D"},
    {109, "HNG_RCVD_EOR", "EOR received in receive phase D"},
    {110, "HNG_RCVD_RNRTO", "Timeout while repeating RNR in receive phase D"},
    {150, "HNG_RCVC_EOL_TIMEOUT", "No EOL received in a 5-second period"},
    {151, "HNG_RCVC_BAD_MMR", "Bad MMR data received in receive phase C"},
    {240, "HNG_INTERRUPT_ACK", "No interrupt acknowledge, timeout"},
    {241, "HNG_COMM_FAULT", "Loop current still present while playing reorder tone after timeout"},
    {242, "HNG_T30_HOLDUP", "Timeout in the T.30 holdup section"},
    {243, "HNG_HOLDUP_DCN", "DCN received in rcv holdup section, FAXPAD mode"},
    {244, "HNG_HOLDUP_DCN_NON_FPAD", "DCN received in rcv holdup section, non-FAXPAD mode"},
};

template <size_t N>
constexpr CodeTable Table(const CodeText (&rows)[N]) {
  return CodeTable{rows, N};
}

}  // namespace

const CodeTable kApiErrorTexts = Table(kApiErrors);
const CodeTable kDialTexts = Table(kDial);
const CodeTable kCallProgressTexts = Table(kCallProgress);
const CodeTable kWaitForCallTexts = Table(kWaitForCall);
const CodeTable kHangupTexts = Table(kHangup);

const CodeText* FindCode(const CodeTable& table, uint32_t code) {
  for (size_t i = 0; i < table.count; ++i) {
    if (table.rows[i].code == code) return &table.rows[i];
  }
  return nullptr;
}

}  // namespace vtx::api
