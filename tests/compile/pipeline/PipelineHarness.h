#pragma once
#include "compile/CompileProject.h"
#include "compile/CompileReporter.h"
#include "tests/support/ProjectBuilder.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kdx::testing {

class RecordingReporter : public CompileReporter {
public:
    std::vector<std::u16string> messages;
    void EmitMessage(std::u16string_view text) override { messages.emplace_back(text); }
    void CheckCancel() override {}
};

struct CompileOutcome {
    bool written = false;
    std::u16string failure; // description of a CompileFailure
    std::vector<std::u16string> messages;
    std::vector<uint8_t> file;
    size_t imageSize = 0;
    const std::u16string& Last() const { return messages.back(); }
    std::vector<uint8_t> Image() const { return {file.begin() + FileHeader::kSize, file.end()}; }
};

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs every step of the compile on a project file, as the driver does.
inline CompileOutcome CompileFile(const std::string& projectPath, const std::string& outputPath)
{
    CompileOutcome outcome;
    RecordingReporter reporter;
    try {
        CompileProject project(reporter);
        project.LoadProject(projectPath);
        project.Optimize();
        project.BuildMemoryImage();
        project.Relocate();
        project.WriteOutput(outputPath);
        outcome.imageSize = project.MemoryImageSize();
        outcome.written = true;
        outcome.file = ReadBytes(outputPath);
        // Every written file must carry a valid seal and be as long as reported.
        EXPECT_EQ(CheckCompiledFile(outcome.file), CompiledCheck::Ok);
        EXPECT_EQ(outcome.file.size(), FileHeader::kSize + outcome.imageSize);
    } catch (const CompileAbort&) {
    } catch (const CompileFailure& failure) {
        outcome.failure = failure.what;
    }
    outcome.messages = std::move(reporter.messages);
    return outcome;
}

// A temporary folder holding the project, its images and the output.
class Workspace {
public:
    std::string Path(const std::string& name) const { return QDir(m_dir.path()).filePath(QString::fromStdString(name)).toStdString(); }
    std::u16string ImagePath(const std::string& name) const { return QString::fromStdString(Path(name)).toStdU16String(); }

    // Writes a solid-colour image file (PNG unless the name says otherwise).
    std::u16string SolidImage(const std::string& name, int w, int h, QColor color)
    {
        QImage image(w, h, QImage::Format_ARGB32);
        image.fill(color);
        image.save(QString::fromStdString(Path(name)));
        return ImagePath(name);
    }

    CompileOutcome Compile(const ProjectDesc& project)
    {
        WriteBytes(Path("p.kdp"), BuildProjectFile(project));
        return CompileFile(Path("p.kdp"), Path("p.kdpbin"));
    }

private:
    QTemporaryDir m_dir;
};

// Little-endian byte sequence builder for expected images.
struct ByteList {
    std::vector<uint8_t> bytes;
    ByteList& U8(uint8_t v) { bytes.push_back(v); return *this; }
    ByteList& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
    ByteList& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    ByteList& Raw(std::initializer_list<uint8_t> list) { bytes.insert(bytes.end(), list); return *this; }
    ByteList& Record(uint16_t type, uint16_t jump, uint32_t send, uint32_t value, uint16_t l, uint16_t t, uint16_t r,
                     uint16_t b)
    {
        return U16(type).U16(jump).U32(send).U32(value).U16(l).U16(t).U16(r).U16(b);
    }
    ByteList& Color(std::initializer_list<uint8_t> c) { return U16(1).U16(0xFFFF).U32(0).Raw(c).U32(0).U32(0); }
};

inline ProjectDesc Project(int w, int h, uint32_t depth)
{
    ProjectDesc p;
    p.header.width = uint16_t(w);
    p.header.height = uint16_t(h);
    p.header.colorDepth = depth;
    return p;
}

} // namespace kdx::testing
