#include "packet/codes.h"

#include <algorithm>
#include <iterator>

namespace vtx::codes {
namespace {

constexpr CodeName kAdminTags[] = {
    {0x9, "DOWNLOAD_RESULT"},
    {0x11, "FIRMWARE_DL_TYPE"},
    {0x12, "FIRMWARE_DESTINATION"},
    {0x13, "TIME_YEAR"},
    {0x14, "TIME_MONTH"},
    {0x15, "TIME_DATE"},
    {0x16, "TIME_HOUR"},
    {0x17, "TIME_MIN"},
    {0x18, "TIME_SEC"},
    {0x19, "TIME_DOTW"},
    {0x1C, "BOOT_ROM_VER"},
    {0x1D, "CONTROL_PROC_VER"},
    {0x1E, "DSP_VER"},
    {0x1F, "VER_MAJOR"},
    {0x20, "VER_MIDDLE"},
    {0x21, "VER_MINOR"},
    {0x22, "VER_BUILD"},
    {0x23, "VER_DATE"},
    {0x24, "VER_COMMENT"},
    {0x25, "FTRL_FEATURE"},
    {0x27, "CRIT_SEC_ID"},
    {0x2D, "BOARD_STATE"},
    {0x2E, "BOARD_NOTIFY_TYPE"},
    {0x33, "BOARD_TEMP_THRESH"},
    {0x34, "BOARD_TEMP"},
    {0x35, "BOARD_TEST_MASK"},
    {0x36, "BOARD_TEST_STATUS_TYPE"},
    {0x3E, "COUNTRY_CODE"},
    {0x4D, "BOARD_TEST_ERR_INFO"},
    {0xD4, "DSP_LOAD_MASK"},
    {0xFE, "LINE_ENCODING_OVERRIDE"},
    {0xFF, "VER_AUTO_NUM"},
};
constexpr CodeName kAdminModes[] = {
    {0x2, "FIRMWARE_DOWNLOAD"},
    {0x3, "FLOW_CONTROL"},
    {0x5, "BOARD_NOTIFY"},
    {0x6, "BOARD_TEST"},
};
constexpr CodeName kAdminEvents[] = {
    {0x2, "FW_DOWNLOAD_STARTED"},   {0x3, "FW_DOWNLOAD_FINISHED"},  {0x4, "FLOW_CONTROL_STARTED"},
    {0x5, "FLOW_CONTROL_FINISHED"}, {0x6, "FLOW_CONTROL_STATUS"},   {0x7, "MODULE_RESET_DONE"},
    {0x8, "CHANNEL_RESET_DONE"},    {0x9, "CONFIGURATION_INFO"},    {0xA, "FLOW_CTRL_HOST_ADDR"},
    {0xB, "NVRAM_INITIALIZED"},     {0xE, "FTRL_FEATURE_LIST"},     {0xF, "CRIT_SEC_ACQUIRED"},
    {0x10, "BOARD_NOTIFY"},         {0x11, "BOARD_TEST_STARTED"},   {0x12, "BOARD_TEST_FINISHED"},
    {0x13, "BOARD_TEST_STATUS"},    {0x14, "BOARD_NOTIFY_STARTED"}, {0x15, "BOARD_NOTIFY_FINISHED"},
    {0x16, "CRIT_SEC_RELEASED"},    {0x17, "NETWORK_CONFIG_DONE"},  {0x18, "NETWORK_CONFIG_INFO"},
    {0x19, "NETWORK_CONFIG_SAVED"}, {0x1A, "NET_QUERY_RESPONSE"},
};
constexpr CodeName kAdminRequests[] = {
    {0x2, "FLOW_CONTROL_STATUS"}, {0x3, "CONFIGURATION"},        {0x5, "MODULE_RESET"},
    {0x6, "CHANNEL_RESET"},       {0x7, "DROP_MILL_ADDR"},       {0x8, "TIME_SET"},
    {0x9, "NVRAM_INITIALIZE"},    {0xA, "FTRL_QUERY"},           {0xB, "CRIT_SEC_ACQUIRE"},
    {0xC, "CRIT_SEC_RELEASE"},    {0xD, "CRIT_SEC_RESET"},       {0xE, "NETWORK_CONFIG_SET"},
    {0xF, "NETWORK_CONFIG_GET"},  {0x10, "NETWORK_CONFIG_SAVE"}, {0x11, "NET_QUERY"},
};
constexpr CodeName kSpeechTags[] = {
    {0x8, "PLAY_GAIN_MODIFIER"},  {0xB, "BYTES_PROCESSED"},   {0xD, "PLAY_DRC_MODE"},
    {0xE, "PLAY_PREEMPH_MODE"},   {0xF, "PLAY_CDM_MODE"},     {0x10, "CAP_FORMATS"},
    {0x11, "CAP_FEATURES"},       {0x37, "ADPCM_EXP"},        {0x3E, "UNDERRUN_CTRL"},
    {0x41, "RECORD_BEEP_LENGTH"}, {0x42, "RECORD_BEEP_FREQ"},
};
constexpr CodeName kSpeechModes[] = {
    {0x2, "RECORD"}, {0x3, "PLAY"}, {0x4, "CONF_PARTY"}, {0x5, "OUTBOUND"}, {0x6, "INBOUND"},
};
constexpr CodeName kSpeechEvents[] = {
    {0x2, "RECORD_STARTED"},          {0x3, "RECORD_FINISHED"},
    {0x4, "PLAYBACK_STARTED"},        {0x5, "PLAYBACK_FINISHED"},
    {0x6, "CONF_PARTY_STARTED"},      {0x7, "CONF_PARTY_FINISHED"},
    {0x8, "OUTBOUND_STARTED"},        {0x9, "INBOUND_STARTED"},
    {0xA, "OUTBOUND_FINISHED"},       {0xB, "INBOUND_FINISHED"},
    {0xC, "INBOUND_PARMS_QUERIED"},   {0xD, "OUTBOUND_PARMS_QUERIED"},
    {0xE, "INBOUND_PARMS_MODIFIED"},  {0xF, "OUTBOUND_PARMS_MODIFIED"},
    {0x10, "VAD_SPEECH_STARTED"},     {0x11, "VAD_SPEECH_ENDED"},
    {0x502, "RECORD_SILENCETIMEOUT"}, {0x503, "RECORD_SOUNDTERMINATE"},
};
constexpr CodeName kSpeechRequests[] = {
    {0x2, "MODIFY_PLAY_CHAR"},      {0x3, "RECORD_DATAFLOW_CTRL"}, {0x4, "INBOUND_PARMS_MODIFY"},
    {0x5, "OUTBOUND_PARMS_MODIFY"}, {0x6, "INBOUND_PARMS_QUERY"},  {0x7, "OUTBOUND_PARMS_QUERY"},
    {0x8, "ECHOC_RESET"},
};
constexpr CodeName kAtModemModes[] = {
    {0x2, "AT_MODEM"},
};
constexpr CodeName kAtModemEvents[] = {
    {0x2, "STATUS"},
    {0x3, "LINE_STATUS"},
    {0x4, "FLOW_STATUS"},
    {0x5, "RCV_FLUSH_COMPLETE"},
    {0x6, "TRANSMITTER_EMPTY"},
    {0x7, "STARTED"},
    {0x8, "FINISHED"},
};
constexpr CodeName kAtModemRequests[] = {
    {0x2, "STATUS_REG"},    {0x3, "FLOW_STATUS"},       {0x4, "TRANSMIT_FLUSH"},
    {0x5, "RECEIVE_FLUSH"}, {0x6, "TRANSMITTER_EMPTY"},
};
constexpr CodeName kSigDetTags[] = {
    {0x4, "DTMF_VALUE"},
    {0x5, "CP_VALUE"},
    {0x7, "TONE_DETECTION_TYPE"},
    {0x8, "DTMF_END_LENGTH"},
    {0xF, "CP_RAW_VALUE"},
    {0x10, "TONE_DETECT_REPORT_END"},
    {0x14, "DTMF_HARMONIC"},
    {0x15, "DTMF_PLAY_SNR"},
    {0x16, "DTMF_RECORD_SILTHR"},
    {0x17, "DTMF_THRESH"},
    {0x18, "DTMF_INTERDIGIT"},
    {0x19, "DTMF_DURATION"},
    {0x1A, "DTMF_RDELTA"},
    {0x1E, "CP_CADENCE"},
    {0x1F, "CP_TONE_LIST"},
    {0x25, "CED_TIMEOUT"},
    {0x27, "MAX_RAW_DURATION"},
    {0x28, "DTMF_SKIP_INIT"},
    {0x29, "DTMF_BACK_NOISE"},
    {0x2B, "DTONE_MIN"},
    {0x531, "DTMF_MIN_ON_PLAY"},
    {0x532, "DTMF_MIN_OFF_PLAY"},
    {0x533, "DTMF_IN_TO_IN_RATIO_PLAY"},
    {0x534, "DTMF_IN_TO_OUT_RATIO_PLAY"},
    {0x535, "DTMF_HI_TO_LO_TWIST_PLAY"},
    {0x536, "DTMF_LO_TO_HI_TWIST_PLAY"},
    {0x537, "DTMF_MIN_ON_IDLE"},
    {0x538, "DTMF_MIN_OFF_IDLE"},
    {0x539, "DTMF_IN_TO_IN_RATIO_IDLE"},
    {0x53A, "DTMF_IN_TO_OUT_RATIO_IDLE"},
    {0x53B, "DTMF_HI_TO_LO_TWIST_IDLE"},
    {0x53C, "DTMF_LO_TO_HI_TWIST_IDLE"},
};
constexpr CodeName kSigDetModes[] = {
    {0x2, "DISS"},       {0x3, "CALL_PROGRESS_DETECT"}, {0x4, "DTMF_DETECTION"},
    {0x5, "CI_DETECT"},  {0x6, "CALLER_ID_DETECT"},     {0x7, "CC_DTMF_DETECTION"},
    {0x8, "CNG_DETECT"}, {0x502, "LOAD_PCPM_TABLE"},    {0x503, "GET_PCPM_TABLE"},
};
constexpr CodeName kSigDetEvents[] = {
    {0x2, "CP_DETECTION_STARTED"}, {0x3, "CP_DETECTION_FINISHED"}, {0x4, "TONE_DETECT_STARTED"},
    {0x5, "TONE_DETECT_FINISHED"}, {0x6, "SIGNAL_DETECTION"},      {0x7, "DISS_STARTED"},
    {0x8, "DISS_FINISHED"},        {0x9, "CALLER_ID_STARTED"},     {0xA, "CALLER_ID_FINISHED"},
    {0xB, "ERROR_REPORT"},         {0x502, "PCPM_TABLE_LOADED"},   {0x503, "PCPM_TABLE_NOT_LOADED"},
};
constexpr CodeName kSigDetRequests[] = {
    {0x2, "CP_PROGRAM_FREQ"},
    {0x3, "CP_PROGRAM_CADENCE"},
    {0x4, "CP_DIS_PROGRAM_FREQ"},
    {0x5, "CP_DIS_PROGRAM_CADENCE"},
};
constexpr CodeName kSigGenTags[] = {
    {0x2, "SIGNAL_LENGTH"},  {0x3, "DTMF_POST_SILENCE"}, {0x4, "DTMF_VALUE"},
    {0xB, "DTMF_LOW_LEVEL"}, {0xC, "DTMF_HIGH_LEVEL"},   {0xD, "DATA_LEVEL"},
    {0xE, "TONE_GEN_TYPE"},
};
constexpr CodeName kSigGenModes[] = {
    {0x2, "TONE"},
    {0x3, "CP"},
    {0x4, "TONE_PAT"},
};
constexpr CodeName kSigGenEvents[] = {
    {0x2, "DTMF_STARTED"}, {0x3, "TONE_FINISHED"},    {0x4, "CP_STARTED"},
    {0x5, "CP_FINISHED"},  {0x6, "TONE_PAT_STARTED"}, {0x7, "TONE_PAT_FINISHED"},
};
constexpr CodeName kCallSwTags[] = {
    {0x3, "CONN_MODE"},
    {0x4, "PCM_CONN_SOURCE"},
    {0x5, "PORT_TYPE"},
    {0x6, "PORT_UNIT"},
    {0x7, "PORT_STREAM"},
    {0x8, "PORT_STREAM_SLOT"},
    {0x9, "PCM_CONN_DEST"},
    {0xA, "PCM_CONN_REPLY"},
    {0xC, "PORT_DESC"},
    {0xD, "UNIT"},
    {0xE, "STREAM"},
    {0xF, "SLOT"},
    {0x10, "PORT_CLASS"},
    {0x11, "CONN_NUMBER"},
    {0x12, "LOCAL_IP"},
    {0x13, "REMOTE_IP"},
    {0x16, "LOCAL_PORT"},
    {0x17, "REMOTE_PORT"},
    {0x18, "MAX_BIT_RATE"},
    {0x19, "PACKET_SIZE"},
    {0x1A, "ERROR_CORRECTION_TYPE"},
    {0x1B, "REDUNDANCY_CTRL"},
    {0x1C, "REDUNDANCY_IMAGE"},
    {0x1D, "T38_VERSION"},
    {0x1E, "FILL_BIT_REMOVAL"},
    {0x1F, "MMR_TRANSCODING"},
    {0x20, "JBIG_TRANSCODING"},
    {0x21, "DATA_RATE_MANAGEMENT"},
    {0x22, "MAX_BUFFER"},
    {0x23, "MAX_DATAGRAM"},
    {0x24, "T38T30_FASTNOTIFY"},
    {0x28, "LOCAL_RTP_IP"},
    {0x29, "REMOTE_RTP_IP"},
    {0x2A, "LOCAL_RTP_PORT"},
    {0x2B, "REMOTE_RTP_PORT"},
    {0x2C, "LOCAL_RTCP_IP"},
    {0x2D, "REMOTE_RTCP_IP"},
    {0x2E, "LOCAL_RTCP_PORT"},
    {0x2F, "REMOTE_RTCP_PORT"},
};
constexpr CodeName kCallSwEvents[] = {
    {0x2, "PCM_CONN_REPLY"},
    {0x3, "RESOURCE_LIST"},
    {0x4, "CONN_LIST"},
    {0x5, "SINGLE_CONN"},
};
constexpr CodeName kCallSwRequests[] = {
    {0x2, "PCM_CONN"},   {0x3, "RESOURCE_LIST"},     {0x4, "CLEAR_CONNECTIONS"},
    {0x5, "QUERY_CONN"}, {0x6, "QUERY_SINGLE_CONN"},
};
constexpr CodeName kTeleCtrlTags[] = {
    {0x3, "BUS_CLK"},
    {0x4, "MVIP_SEC8K"},
    {0x5, "LINE_TYPE"},
    {0x6, "CLK_CONFIG"},
    {0x7, "LINE_CODING"},
    {0x8, "LINE_LOOPBACK"},
    {0x9, "SIGNAL_MODE"},
    {0xA, "FACILITIES_DATA_LINK"},
    {0xB, "T1_SIGNAL_PROTOCOL"},
    {0xD, "T1_LINE_BUILD_OUT"},
    {0xF, "HARDWARE_DESC"},
    {0x10, "PORT_UNIT"},
    {0x12, "PORT_TYPES"},
    {0x13, "LINE_ENCODING"},
    {0x14, "PORT_TYPE"},
    {0x15, "BUS_SPEED"},
    {0x1F, "SIG_STATE_OUT_0"},
    {0x20, "SIG_DURATION_OUT_0"},
    {0x21, "SIG_STATE_OUT_1"},
    {0x24, "TIME_SLOT"},
    {0x25, "STREAM"},
    {0x2A, "H110_MASTER_DRIVE"},
    {0x2B, "H110_SLAVE_SOURCE"},
    {0x2C, "H110_MASTER_REF"},
    {0x2D, "H110_MASTER_REF_FALLBK"},
    {0x3F, "UNIT"},
    {0x40, "ADDRESS_FAMILY"},
    {0x41, "LOCAL_ADDRESS"},
    {0x42, "NETMASK"},
    {0x43, "GATEWAY1"},
    {0x44, "SPEED"},
    {0x45, "DUPLEX"},
    {0x46, "FULLDUP_FLOW_CTRL"},
    {0x47, "MAC_ADDR"},
    {0x48, "ARP_TIMEOUT"},
    {0x49, "FLUSH_ARP"},
};
constexpr CodeName kTeleCtrlModes[] = {
    {0x2, "SIG_MON"},
};
constexpr CodeName kTeleCtrlEvents[] = {
    {0x2, "HARDWARE_LIST"},        {0x3, "CONTROLLER_RESET_DONE"},
    {0x4, "SIGNALING_DONE"},       {0x5, "SIGNALING_POLL"},
    {0x6, "SIG_MON_STARTED"},      {0x7, "SIG_MON_FINISHED"},
    {0x8, "SIG_FINISHED"},         {0x9, "SIG_STATE"},
    {0xA, "PARAMS_SAVED"},         {0xB, "LINE_COEFFICIENTS"},
    {0xC, "NETWORK_CONFIG_DONE"},  {0xD, "NETWORK_CONFIG_INFO"},
    {0xE, "NETWORK_CONFIG_SAVED"}, {0xF, "NET_QUERY_RESPONSE"},
};
constexpr CodeName kTeleCtrlRequests[] = {
    {0x2, "RESOURCE_LIST"},
    {0x3, "RESET_CONTROLLER"},
    {0x4, "SIGNALING"},
    {0x5, "SIGNALING_POLL"},
    {0x6, "SIG_SET"},
    {0x7, "PARAMS_SAVE"},
    {0x8, "DOWNLOAD_LINE_COEFFICIENTS"},
    {0x9, "UPLOAD_LINE_COEFFICIENTS"},
    {0xA, "NETWORK_CONFIG_SET"},
    {0xB, "NETWORK_CONFIG_GET"},
    {0xC, "NETWORK_CONFIG_SAVE"},
    {0xD, "NET_QUERY"},
};
constexpr CodeName kFaxTags[] = {
    {0x3, "CAN_XMIT"},
    {0x4, "CAN_RCV"},
    {0x5, "XMIT_PG_RES"},
    {0x6, "XMIT_PG_WIDTH"},
    {0xD, "TERMINATION_CODE"},
    {0xE, "FSK_DIR"},
    {0xF, "FSK_DATA"},
    {0x15, "CONF_VAL"},
    {0x1E, "FONT_NUM"},
    {0x25, "LOCAL_ID"},
    {0x2E, "ECM_ENABLE"},
    {0x2F, "ERROR_ENABLE"},
    {0x30, "ERROR_MULT"},
    {0x31, "ERROR_THRESH"},
    {0x32, "LINE_COMPRESSION"},
    {0x33, "MAX_WIDTH"},
    {0x34, "MIN_LENGTH"},
    {0x35, "RESTRICT_RES"},
    {0x36, "WIDTH_RES_BEHAVIOR"},
    {0x37, "CAP_FORMATS"},
    {0x38, "CAP_FEATURES"},
    {0x3F, "MAX_BIT_RATE"},
    {0x40, "MIN_SCAN_TIME"},
    {0x42, "V34_2400_BAUD_CTRL_ENABLE"},
    {0x43, "V34_CI_ENABLE"},
    {0x48, "LOCAL_TZ_OFFSET"},
    {0x49, "EFF_PAGE_TYPE"},
    {0x4B, "T30_HOLDUP_SECTION"},
    {0x4C, "EFF_CAPS"},
    {0x4D, "V34_ENABLE"},
    {0x4E, "SUBPWDSEP_ENABLE"},
    {0x50, "DATA_LEVEL"},
    {0x51, "RECEIVE_LEVEL"},
    {0x52, "T30H_RCV_MCF_FSK"},
    {0x54, "RTP_ENABLE"},
    {0x55, "RTP_MULT"},
    {0x57, "BADLINE_BEHAVIOR"},
    {0x58, "EXTENDED_RESTRICT_RES"},
    {0x59, "V34_TRANSMIT_ONLY_ENABLE"},
};
constexpr CodeName kFaxModes[] = {
    {0x2, "XMIT_RCV"},   {0x3, "FONT_DOWNLOAD"}, {0x4, "RTF"},
    {0x5, "TEST_MODEM"}, {0x6, "TRANSCODE"},
};
constexpr CodeName kFaxEvents[] = {
    {0x2, "XMIT_RCV_STARTED"},   {0x3, "XMIT_RCV_FINISHED"}, {0x4, "TRAINING_COMPLETED"},
    {0x5, "FSK_DATA"},           {0x6, "PAGE_COMPLETE"},     {0x7, "CONFIRMATION"},
    {0x8, "DIRECTION_CHANGE"},   {0x9, "FONT_DL_STARTED"},   {0xA, "FONT_DL_FINISHED"},
    {0xB, "RTF_STARTED"},        {0xC, "RTF_FINISHED"},      {0xD, "TRANSCODE_STARTED"},
    {0xE, "TRANSCODE_FINISHED"}, {0xF, "V34_INFO"},          {0x10, "T30_HOLDUP"},
};
constexpr CodeName kFaxRequests[] = {
    {0x2, "XMIT_STRIP_START"}, {0x3, "XMIT_EOP"},     {0x4, "HEADER"},
    {0x5, "T30_CONTINUE"},     {0x6, "SETSUBPWDSEP"}, {0x7, "SETNSFNSS"},
};
constexpr CodeName kIpvModes[] = {
    {0x2, "HOST"},
    {0x3, "RTP"},
    {0x4, "IVR"},
};
constexpr CodeName kIpvEvents[] = {
    {0x2, "HOST_MODE_STARTED"}, {0x3, "HOST_MODE_FINISHED"}, {0x4, "RTP_MODE_STARTED"},
    {0x5, "RTP_MODE_FINISHED"}, {0x6, "IVR_MODE_STARTED"},   {0x7, "IVR_MODE_FINISHED"},
    {0x8, "HOST_FRAME_TICK"},   {0x9, "RTP_FRAME_TICK"},     {0xA, "IVR_FRAME_TICK"},
};
constexpr CodeName kHostCtrlTags[] = {
    {0x2, "ALERT_VALUE"},
    {0x3, "CONTEXT_ID"},
    {0x4, "SESSION_ADDRESS"},
    {0x5, "NAME"},
    {0xE, "CHANNEL"},
    {0xF, "NOTIFY_TYPE"},
    {0x10, "INSTANCE_VALUE"},
    {0x20, "DEBUG_OPTIONS"},
    {0x21, "DEBUG_MODE"},
    {0x22, "DEBUG_FNAME1"},
    {0x23, "DEBUG_FNAME2"},
    {0x24, "DEBUG_FILE_LIMIT"},
    {0x25, "DEBUG_CC_TRACE_LEVEL"},
    {0x26, "DEBUG_CC_TRACE_FILE"},
    {0x27, "DEBUG_FUNC_DBG_OPTS"},
};
constexpr CodeName kHostCtrlEvents[] = {
    {0x2, "ALERT"},      {0x3, "RETURN_STATUS"},   {0x4, "SESSION_TERM"},
    {0x5, "NAME_FOUND"}, {0x6, "CALLBACK_NOTIFY"}, {0x7, "SESSION_SUSP"},
};
constexpr CodeName kHostCtrlRequests[] = {
    {0x2, "SESSION_TERM_NOTIFY"},  {0x3, "TEST"},      {0x4, "NAME_ADD"},
    {0x5, "NAME_GET_FIRST"},       {0x6, "CANCEL"},    {0x7, "NAME_DELETE"},
    {0x8, "HISTORY_STRING_WRITE"}, {0x9, "EXT_DEBUG"},
};
constexpr CodeName kVttyModes[] = {
    {0x2, "INTERACTIVE"},
};
constexpr CodeName kVttyEvents[] = {
    {0x2, "STARTED"},
    {0x3, "FINISHED"},
    {0x4, "BUSY"},
};
constexpr CodeName kIsdnTags[] = {
    {0x2, "VERSION"},
    {0x3, "ENDIAN"},
    {0x4, "INTERFACE_VERSION"},
};
constexpr CodeName kIsdnModes[] = {
    {0x2, "CONTROL_TXRX"},
};
constexpr CodeName kIsdnEvents[] = {
    {0x2, "CONTROL_TXRX_STARTED"},
    {0x3, "CONTROL_TXRX_FINISHED"},
    {0x4, "RESET"},
};
constexpr CodeName kIsdnRequests[] = {
    {0x2, "RESET"},
};
constexpr CodeName kPpiModes[] = {
    {0x2, "PACKETIZER_INBOUND"},
    {0x3, "PACKETIZER_OUTBOUND"},
    {0x4, "PACKETFLOW"},
    {0x5, "PACKETIZER"},
};
constexpr CodeName kPpiEvents[] = {
    {0x2, "PACKETIZER_INBOUND_STARTED"},  {0x3, "PACKETIZER_INBOUND_FINISHED"},
    {0x4, "PACKETIZER_OUTBOUND_STARTED"}, {0x5, "PACKETIZER_OUTBOUND_FINISHED"},
    {0x6, "PACKETFLOW_STARTED"},          {0x7, "PACKETFLOW_FINISHED"},
    {0x8, "INBOUND_PARMS_QUERIED"},       {0x9, "OUTBOUND_PARMS_QUERIED"},
    {0xA, "OUTBOUND_PARMS_MODIFIED"},     {0xB, "INBOUND_PARMS_MODIFIED"},
};
constexpr CodeName kPpiRequests[] = {
    {0x2, "INBOUND_PARMS_QUERY"},   {0x3, "OUTBOUND_PARMS_QUERY"}, {0x4, "INBOUND_PARMS_MODIFY"},
    {0x5, "OUTBOUND_PARMS_MODIFY"}, {0x6, "RTCP_REPORT"},
};
constexpr CodeName kEccModes[] = {
    {0x1, "EVENT_MONITOR"},
    {0x2, "STATUS_MONITOR"},
};
constexpr CodeName kEccEvents[] = {
    {0x1, "BCHANNEL_STATE_CHANGE"},   {0x2, "COMMAND_ERROR"},      {0x3, "EVENT_MONITOR_STARTED"},
    {0x4, "EVENT_MONITOR_FINISHED"},  {0x5, "MASTER_READY"},       {0x6, "STATUS_MONITOR_STARTED"},
    {0x7, "STATUS_MONITOR_FINISHED"}, {0x8, "STATUS_UPDATE"},      {0x9, "MODULE_INFO"},
    {0xA, "FLASH_HOOK_SENT"},         {0xB, "CALL_ON_HOLD"},       {0xC, "CALL_RETRIEVED"},
    {0xD, "TRANSFER_COMPLETED"},      {0xE, "CAPABILITIES"},       {0xF, "PORT_CONFIG"},
    {0x10, "LOOP_CUR_LOST"},          {0x11, "PORT_MESSAGE_DONE"},
};
constexpr CodeName kEccRequests[] = {
    {0x1, "RING_DETECT"},      {0x2, "MAKE_CALL"},      {0x3, "ANSWER_CALL"},
    {0x4, "DROP_CALL"},        {0x5, "BCHANNEL_STATE"}, {0x6, "SET_ACTIVE"},
    {0x7, "SLAVE_CONNECT"},    {0x8, "MODULE_INFO"},    {0x9, "FLASH_HOOK"},
    {0xA, "HOLD_CALL"},        {0xB, "RETRIEVE_CALL"},  {0xC, "COMPLETE_TRANSFER"},
    {0xD, "GET_CAPABILITIES"}, {0xE, "GET_PROTOCOL"},   {0xF, "PORT_MESSAGE"},
};
constexpr CodeName kEccTags[] = {
    {0x1, "PORT_MESSAGE"},
    {0x2, "PORT_MESSAGE_TYPE"},
    {0x3, "MODULE_ADDRESS"},
    {0x4, "SESSION_ADDRESS"},
};
constexpr CodeName kIpCcTags[] = {
    {0x1, "CALLING_NUMBER"},
    {0x2, "CALLED_NUMBER"},
    {0x3, "CAUSE"},
    {0x13, "ERROR_CODE"},
};
constexpr CodeName kIpCcEvents[] = {
    {0x1, "SETUP_IND"},
    {0x2, "SETUP_ACK"},
    {0x3, "CONN_ACK"},
    {0x4, "CONNECT"},
    {0x5, "ALERTING"},
    {0x6, "HOLD"},
    {0x7, "RETRIEVE"},
    {0x8, "HOLD_ACK"},
    {0x9, "RETRIEVE_ACK"},
    {0xA, "DISCONNECT"},
    {0xB, "CLEAR"},
    {0xC, "RELEASE"},
    {0xD, "ERROR"},
    {0xE, "CP"},
    {0xF, "RECONFIGURE"},
    {0x10, "RING_DETECT_ENABLED"},
    {0x11, "OUTBOUND_STARTED"},
    {0x12, "IP_PORT_BUSY"},
};
constexpr CodeName kIpCcRequests[] = {
    {0x1, "RING_DETECT"},   {0x2, "SETUP"},    {0x3, "RELEASE"},     {0x4, "CLEAR"},
    {0x5, "SEND_ALERTING"}, {0x6, "CONNECT"},  {0x7, "HOLD"},        {0x8, "RETRIEVE"},
    {0x9, "TRANSFER"},      {0xA, "USER_MSG"}, {0xB, "RECONFIGURE"}, {0xC, "IP_PORT_AVAILABLE"},
};
constexpr CodeName kGenericTags[] = {
    {0x60, "ERROR_INVALID_VERB"}, {0x61, "ERROR_INVALID_VERB_SPECIFIER"},
    {0x62, "HOST_CONTEXT"},       {0x74, "CONTINUED"},
    {0x75, "CONTINUATION"},       {0x76, "CAPABILITIES"},
    {0x77, "DEBUG_CONTROL"},      {0x78, "RESULT_CODE"},
    {0x79, "CURRENT_STREAM"},     {0x7A, "STREAM_VALUE"},
    {0x7B, "DIAGNOSTIC_DATA"},    {0x7C, "DIAGNOSTIC_MESSAGE"},
    {0x7D, "ERROR_DATA"},         {0x7E, "ERROR_MESSAGE"},
    {0x7F, "ERROR_VALUE"},
};
constexpr CodeName kGenericEvents[] = {
    {0x7C, "GET_RSP"},
    {0x7D, "DIAGNOSTIC_REPORT"},
    {0x7E, "CAPABILITIES_LIST"},
    {0x7F, "ERROR_REPORT"},
};
constexpr CodeName kGenericRequests[] = {
    {0x7F, "GET_CAPABILITIES"},
};

constexpr FacilityCodes kFacilities[] = {
    {0x00, "NULL", nullptr, {}},
    {0x01,
     "ADMIN",
     "admin.h",
     {{kAdminTags, std::size(kAdminTags)},
      {kAdminModes, std::size(kAdminModes)},
      {kAdminEvents, std::size(kAdminEvents)},
      {kAdminRequests, std::size(kAdminRequests)}}},
    {0x02,
     "SPEECH",
     "speech.h",
     {{kSpeechTags, std::size(kSpeechTags)},
      {kSpeechModes, std::size(kSpeechModes)},
      {kSpeechEvents, std::size(kSpeechEvents)},
      {kSpeechRequests, std::size(kSpeechRequests)}}},
    {0x03,
     "AT_MODEM",
     "at_modem.h",
     {{},
      {kAtModemModes, std::size(kAtModemModes)},
      {kAtModemEvents, std::size(kAtModemEvents)},
      {kAtModemRequests, std::size(kAtModemRequests)}}},
    {0x05,
     "SIG_DET",
     "sig_det.h",
     {{kSigDetTags, std::size(kSigDetTags)},
      {kSigDetModes, std::size(kSigDetModes)},
      {kSigDetEvents, std::size(kSigDetEvents)},
      {kSigDetRequests, std::size(kSigDetRequests)}}},
    {0x06,
     "SIG_GEN",
     "sig_gen.h",
     {{kSigGenTags, std::size(kSigGenTags)},
      {kSigGenModes, std::size(kSigGenModes)},
      {kSigGenEvents, std::size(kSigGenEvents)},
      {}}},
    {0x07,
     "CALL_SW",
     "call_sw.h",
     {{kCallSwTags, std::size(kCallSwTags)},
      {},
      {kCallSwEvents, std::size(kCallSwEvents)},
      {kCallSwRequests, std::size(kCallSwRequests)}}},
    {0x08,
     "TELE_CTRL",
     "tele_ctrl.h",
     {{kTeleCtrlTags, std::size(kTeleCtrlTags)},
      {kTeleCtrlModes, std::size(kTeleCtrlModes)},
      {kTeleCtrlEvents, std::size(kTeleCtrlEvents)},
      {kTeleCtrlRequests, std::size(kTeleCtrlRequests)}}},
    {0x09,
     "FAX",
     "fax.h",
     {{kFaxTags, std::size(kFaxTags)},
      {kFaxModes, std::size(kFaxModes)},
      {kFaxEvents, std::size(kFaxEvents)},
      {kFaxRequests, std::size(kFaxRequests)}}},
    {0x0A,
     "IPV",
     "ipv.h",
     {{}, {kIpvModes, std::size(kIpvModes)}, {kIpvEvents, std::size(kIpvEvents)}, {}}},
    {0x0B,
     "HOST_CTRL",
     "hostctrl.h",
     {{kHostCtrlTags, std::size(kHostCtrlTags)},
      {},
      {kHostCtrlEvents, std::size(kHostCtrlEvents)},
      {kHostCtrlRequests, std::size(kHostCtrlRequests)}}},
    {0x0D,
     "VTTY",
     "vtty.h",
     {{}, {kVttyModes, std::size(kVttyModes)}, {kVttyEvents, std::size(kVttyEvents)}, {}}},
    {0x0E,
     "ISDN",
     "isdn.h",
     {{kIsdnTags, std::size(kIsdnTags)},
      {kIsdnModes, std::size(kIsdnModes)},
      {kIsdnEvents, std::size(kIsdnEvents)},
      {kIsdnRequests, std::size(kIsdnRequests)}}},
    {0x0F,
     "PPI",
     "ppi.h",
     {{},
      {kPpiModes, std::size(kPpiModes)},
      {kPpiEvents, std::size(kPpiEvents)},
      {kPpiRequests, std::size(kPpiRequests)}}},
    {0x12,
     "ECC",
     "ecc.h",
     {{kEccTags, std::size(kEccTags)},
      {kEccModes, std::size(kEccModes)},
      {kEccEvents, std::size(kEccEvents)},
      {kEccRequests, std::size(kEccRequests)}}},
    {0x13,
     "IP_CC",
     "ip_cc.h",
     {{kIpCcTags, std::size(kIpCcTags)},
      {},
      {kIpCcEvents, std::size(kIpCcEvents)},
      {kIpCcRequests, std::size(kIpCcRequests)}}},
};

constexpr FacilityCodes kGeneric = {0x7F,
                                    "COMMON",
                                    "common.h",
                                    {{kGenericTags, std::size(kGenericTags)},
                                     {},
                                     {kGenericEvents, std::size(kGenericEvents)},
                                     {kGenericRequests, std::size(kGenericRequests)}}};

}  // namespace

const char* NameTable::Find(uint32_t code) const {
  const CodeName* it = std::lower_bound(
      begin(), end(), code, [](const CodeName& entry, uint32_t c) { return entry.code < c; });
  return it != end() && it->code == code ? it->name : nullptr;
}

FacilityList Facilities() {
  return {kFacilities, std::size(kFacilities)};
}

const FacilityCodes* FindFacility(uint32_t number) {
  for (const FacilityCodes& facility : kFacilities) {
    if (facility.number == number) return &facility;
  }
  return nullptr;
}

const FacilityCodes& Generic() {
  return kGeneric;
}

const char* Name(uint32_t facility, Kind kind, uint32_t code) {
  const FacilityCodes* entry = FindFacility(facility);
  const char* name = entry != nullptr ? entry->Table(kind).Find(code) : nullptr;
  return name != nullptr ? name : kGeneric.Table(kind).Find(code);
}

const char* VerbName(uint32_t verb) {
  static constexpr const char* kNames[] = {"NOTHING", "START",    "FINISH", "DATA",
                                           "SET",     "LET",      "GET",    "RESTORE",
                                           "EVENT",   "INDIRECT", "REQUEST"};
  return verb < std::size(kNames) ? kNames[verb] : nullptr;
}

const char* UnitName(uint32_t unit) {
  static constexpr const char* kNames[] = {"Unitless", "Char", "Boolean", "CBells",
                                           "MSec",     "Hz",   "Bytes",   "cBm"};
  return kNames[unit & 7];
}

}  // namespace vtx::codes
