#pragma once
#include "model/PageDoc.h"

#include <QObject>
#include <QThreadPool>

#include <memory>

namespace kdx {

class FrameCache;

// Decodes the pictures a drawn page asks for on worker threads, each at the
// size it is drawn in the terminal's pixel format, through the shared frame
// cache, and hands them to the document on the user-interface thread. The
// page shows placeholders meanwhile. While it exists, the document reads
// projects without decoding their pictures.
class PictureLoader : public QObject {
public:
    explicit PictureLoader(CPageDoc& doc);
    ~PictureLoader() override;

    // Waits until every picture asked for so far has been handed over.
    void WaitForAll();

private:
    void Load(std::vector<CPageDoc::PictureRequest> requests);

    CPageDoc& m_doc;
    std::shared_ptr<const FrameCache> m_cache;
    QThreadPool m_pool;
};

// The picture as the terminal shows it at the request's size and depth (null
// when the file is not a readable picture), with the version of the file it
// was made from; through the cache when there is one.
QImage DecodePictureForView(const CPageDoc::PictureRequest& request, const FrameCache* cache, PictureSource* source);

} // namespace kdx
