#pragma once
#include <QString>

namespace kdx {

// Identifiers of the user-visible texts that the project model produces or
// that describe model values. The editor's own string table extends this one.
enum ModelStringId : int {
    kStrOpenImageFailed = 20504, // "打开图象文件错误 %s"
    kStrNotProjectFile = 20710,
    kStrBadVersion = 20711,
    kStrFileDamaged = 20712,
    kStrBadColorDepth = 20713,
    kStrNoJumpTarget = 20800,
    kStrFirstExecuteCondition = 20801, // 20801-20816: execute conditions 0-15
    kStrFirstFontName = 20820,         // 20820-20822: fonts 1-3
    kStrStatusVersion = 22000,
    kStrStatusResolution = 22001,
    kStrStatusColorDepth = 22002,

    // Failures of reading and writing that the editor shows in a message box.
    kStrCannotReadFile = 29900,
    kStrCannotReadContent = 29901,
    kStrCannotSaveFile = 29902,
    kStrCannotCopyPicture = 29903, // "无法复制图象文件 %s：%s"
    kStrCannotMakeFolder = 29904,
};

// The text of a model string id; an empty string for an unknown id.
QString ModelString(int id);

// The text of an id used as a format: each "%s" or "%d" in turn is replaced
// by the next argument.
QString FormatModelString(int id, const QStringList& args);

// The message for a picture file that cannot be read, `path` as stored.
QString PictureUnreadableText(const QString& path);

// The editor's text for an execute condition 0-15 (empty outside that range).
QString ExecuteConditionText(uint32_t condition);

} // namespace kdx
