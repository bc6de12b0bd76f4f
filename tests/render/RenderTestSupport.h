#pragma once
// Compiled files for the renderer's tests, made by the real compiler from
// projects written here.
#include "render/TerminalImage.h"
#include "tests/compile/pipeline/PipelineHarness.h"

#include <QGuiApplication>

namespace kdx::testing {

// Text needs the GUI application (fonts); made once per test program.
inline void EnsureGuiApplication()
{
    static int argc = 1;
    static char name[] = "test_render";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance())
        new QGuiApplication(argc, argv);
}

inline ProjectDesc SmallProject(int depth, int width = 64, int height = 48)
{
    ProjectDesc project;
    project.header.width = uint16_t(width);
    project.header.height = uint16_t(height);
    project.header.colorDepth = uint32_t(depth);
    return project;
}

// Compiles the project in 'workspace' and returns the compiled file.
inline std::vector<uint8_t> CompileToBytes(Workspace& workspace, const ProjectDesc& project)
{
    CompileOutcome outcome = workspace.Compile(project);
    EXPECT_TRUE(outcome.written) << (outcome.messages.empty() ? std::string()
                                                             : QString::fromStdU16String(outcome.Last()).toStdString());
    return outcome.file;
}

inline std::shared_ptr<const render::TerminalImage> Load(const std::vector<uint8_t>& file)
{
    QString error;
    auto image = render::TerminalImage::FromCompiledFile(file, &error);
    EXPECT_TRUE(image) << error.toStdString();
    return image;
}

inline uint32_t Rgb(int r, int g, int b) { return uint32_t(r | g << 8 | b << 16); }

} // namespace kdx::testing
