#pragma once
#include "compile/CompilePools.h"
#include "compile/CompileReporter.h"

#include <cstddef>
#include <memory>
#include <set>
#include <string>

namespace kdx {

class CompileDocument;
struct OutputTarget;

// Thrown for an unexpected failure while compiling (a file that ends early,
// an unknown class, a file that cannot be written): the driver reports it as
// one "*" line built from 'what' and ends the compilation.
struct CompileFailure {
    std::u16string what;
};

// One compilation of one project, step by step, in the order the driver
// calls them. Every step reports through the reporter and stops by throwing
// CompileAbort (after its "*" message) or CompileFailure.
class CompileProject {
public:
    explicit CompileProject(CompileReporter& reporter);
    ~CompileProject();

    void LoadProject(const std::string& path);
    void Optimize();
    void BuildMemoryImage();
    void Relocate();
    // Refuses (CompileFailure) an output that may not be written: anything
    // but a regular file or a new name, or the project itself.
    static void CheckOutput(const std::string& outputPath, const std::string& projectPath);
    void WriteOutput(const std::string& path);
    // Size in bytes of the memory image (the compiled file is 208 bytes longer).
    size_t MemoryImageSize() const;
    // The compiled file that WriteOutput replaced, still open (-1 when none
    // was): its space is freed when this is closed.
    int ReplacedOutput() const { return m_replacedOutput; }

private:
    // Writes the file once; false, with the damaged cached frames named,
    // when a cached frame turned out damaged (nothing is replaced then).
    bool WriteOutputOnce(const OutputTarget& target, const std::string& path,
                         std::set<FrameOfPicture>& damaged);

    CompileReporter& m_reporter;
    std::unique_ptr<CompileDocument> m_doc;
    std::string m_projectPath;
    int m_replacedOutput = -1;
};

} // namespace kdx
