#pragma once
#include "model/ProjectRecord.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace kdx::check {

enum class Level { Error, Warning };

// One thing that will go wrong or look wrong on the panel, located at a
// page and object when it concerns one.
struct Finding {
    std::string rule;
    Level level = Level::Warning;
    std::optional<uint32_t> pageId;
    std::u16string pageName;
    std::optional<uint32_t> objectId;
    QString text;
    // Where in the project, for ordering: page index, object index (-1 = none).
    int pageIndex = -1;
    int objectIndex = -1;
};

// A rule of the check as the user sees it; the table that runs them is the
// library's own.
struct RuleInfo {
    const char* id;
    Level level;
    const char16_t* description;
};
std::vector<RuleInfo> Rules();
bool IsKnownRule(const std::string& id);

struct CheckOptions {
    // Image paths are taken relative to this folder.
    QString projectFolder;
    // The project file, compiled in memory for the size rule.
    std::string projectPath;
    std::optional<uint64_t> memoryBytes;
    std::set<std::string> disabled;
};

// Runs every rule not disabled over a project and gives the findings in
// project order (project-wide first, then page by page, object by object).
// Reads nothing but the project's pictures; writes nothing.
std::vector<Finding> CheckProject(const ProjectRecord& project, const CheckOptions& options);

// "FILE:page N "name":object ID: error|warning: text"; the page and object
// parts are left out when the finding has none.
QString FormatFinding(const QString& file, const Finding& finding);

// The finding as a compiler message line ("*(IID=1A)..." for an error,
// "!(PID=3)“name”..." for a warning), so that the compile pane locates it.
QString FindingAsCompilerMessage(const Finding& finding);

// The rules a ".kdpcheck" file switches off: one rule id a line, optionally
// after the word "disable"; "#" starts a comment. On an unknown rule or a
// malformed line returns false with "LINE:COLUMN: reason" in 'error'.
bool ParseCheckSettings(const QByteArray& text, std::set<std::string>& disabled, QString* error);

// The settings file of the project at 'projectPath' (".kdpcheck" in its
// folder); false, with the reason, when it exists and cannot be used.
bool ReadProjectCheckSettings(const QString& projectPath, std::set<std::string>& disabled, QString* error);

} // namespace kdx::check
