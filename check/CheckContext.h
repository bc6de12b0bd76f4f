#pragma once
#include "check/ProjectCheck.h"

#include <QByteArray>
#include <QSize>

#include <map>

namespace kdx::check {

// A picture file as the check sees it: whether it is there and decodes, its
// size and a digest of its pixels.
struct PictureInfo {
    enum class State { Ok, Missing, Undecodable } state = State::Ok;
    QString file; // resolved against the project folder
    QSize size;
    QByteArray digest;
};

// What the rules share while they run over one project: the project, the
// options and the pictures, each decoded once.
class Context {
public:
    Context(const ProjectRecord& project, const CheckOptions& options) : project(project), options(options) {}

    const PictureInfo& Picture(const std::u16string& path);

    const ProjectRecord& project;
    const CheckOptions& options;

private:
    std::map<QString, PictureInfo> m_pictures;
};

// Runs the rule table (the rules not disabled) and appends their findings.
void RunRules(Context& context, std::vector<Finding>& out);

} // namespace kdx::check
