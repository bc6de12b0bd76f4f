#pragma once
#include <QString>

namespace kdx::upload {

// Identifiers of the uploader's string table. Every text the uploader shows
// is looked up by one of these numbers.
enum StringId : int {
    IDS_FILE_FILTER = 20201,
    IDS_NEED_FILE = 33200,
    IDS_NEED_BAUD = 33201,
    IDS_NEED_PORT = 33202,
    IDS_START_FAILED = 33203,
    IDS_FILE_TOO_BIG = 33210,
    IDS_NOT_COMPILED = 33211,
    IDS_FILE_DAMAGED = 33212,
    IDS_READ_FAILED = 33213,
    IDS_LOADING = 33214,
    IDS_FILE_CHECKED = 33215,
    IDS_OPENING_PORT = 33220,
    IDS_PORT_ERROR = 33221,
    IDS_PORT_GROUP_HINT = 33224,
    IDS_PORT_MISSING = 33225,
    IDS_PORT_IS_FOLDER = 33226,
    IDS_PORT_IS_FIFO = 33227,
    IDS_PORT_NOT_TERMINAL = 33228,
    IDS_SEND_ERROR = 33222,
    IDS_REPLY_ERROR = 33223,
    IDS_MODEL_MISMATCH = 33230,
    IDS_NO_SPACE = 33231,
    IDS_CRC_RETRY = 33232,
    IDS_UNKNOWN_REPLY = 33233,
    IDS_CONNECTING = 33240,
    IDS_CONNECTED = 33241,
    IDS_NO_TERMINAL = 33242,
    IDS_BAUD_SET = 33243,
    IDS_BAUD_NOT_SET = 33244,
    IDS_SENDING = 33250,
    IDS_PROGRESS = 33251,
    IDS_SEND_DONE = 33252,
    IDS_ASK_STOP = 33253,
    IDS_CANCELLED = 33254,
};

// The raw text of a string id (a printf-style format for some); empty for
// an unknown id.
const char* RawString(int id);

// The text of a string id as shown.
QString LoadString(int id);

// The text of a string id used as a printf-style format. "%I64u" in a table
// text means a 64-bit unsigned value; "%s" takes UTF-8.
template <typename... Args>
QString FormatString(int id, Args... args)
{
    QByteArray format(RawString(id));
    format.replace("%I64u", "%llu");
    return QString::asprintf(format.constData(), args...);
}

// Dialog texts that are not in the string table.
inline constexpr const char* kCaption = "触屏工具 [KDX触屏工程上传V1.0 Beta]";

} // namespace kdx::upload
