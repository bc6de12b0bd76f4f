#include "FuzzTarget.h"

#include "model/ModelStrings.h"
#include "model/PageDoc.h"

namespace kdx::test {

std::string CheckOneInput(const uint8_t* data, size_t size)
{
    CPageDoc doc;
    doc.SetImageDecoding(false); // paths in a hostile file must not open files
    std::optional<ProjectError> error = doc.LoadFromBytes({data, size});
    if (error) {
        switch (error->stringId) {
        case kStrNotProjectFile:
        case kStrBadVersion:
        case kStrFileDamaged:
        case kStrBadColorDepth:
        case kStrCannotReadContent: break;
        default: return "unexpected error id " + std::to_string(error->stringId);
        }
        if (error->Text().isEmpty())
            return "an error without a text";
        if (doc.PageCount() != 0 || !doc.SendDataTable().empty() || !doc.TextTable().empty() ||
            !doc.ImageTable().empty())
            return "a failed load left contents behind";
        return {};
    }
    // Whatever loads must save, load again and save to the same bytes.
    std::vector<uint8_t> saved = doc.SaveToBytes();
    CPageDoc again;
    again.SetImageDecoding(false);
    if (std::optional<ProjectError> reload = again.LoadFromBytes(saved))
        return "a saved project does not load: " + reload->Text().toStdString();
    if (again.SaveToBytes() != saved)
        return "a saved project does not save to the same bytes";
    return {};
}

} // namespace kdx::test
